#pragma once

#include "state/CatalogStore.h"

#include <QCoreApplication>
#include <QList>
#include <QtQmlIntegration>

// One pickable row of the sidebar: a section or a category, with its count badge.
struct SidebarRow {
    Q_GADGET
    QML_VALUE_TYPE(sidebarRow)
    Q_PROPERTY(QString text MEMBER text CONSTANT)
    Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
    Q_PROPERTY(QString badge MEMBER badge CONSTANT)
    Q_PROPERTY(CatalogStoreFilter filter MEMBER filter CONSTANT)
    Q_PROPERTY(QString header MEMBER header CONSTANT)
public:
    QString text;
    QString symbol;
    QString badge;  // the count; empty for zero, which shows no badge
    CatalogStore::Filter filter;
    QString header;  // "Categories" above the first category row

    friend bool operator==(const SidebarRow &, const SidebarRow &) = default;
};

// The sidebar's rows in order: All Apps, Featured, Updates (only while updates exist), then one
// row per category in catalogue order.
class SidebarRows {
    Q_DECLARE_TR_FUNCTIONS(SidebarRows)
public:
    static QList<SidebarRow> of(const Catalog &catalog, qsizetype featuredCount, qsizetype updatableCount);
    // The row showing the filter, or -1 (the Updates row may be gone while still picked).
    static qsizetype indexOf(const QList<SidebarRow> &rows, const CatalogStoreFilter &filter);
};

Q_DECLARE_METATYPE(SidebarRow)
