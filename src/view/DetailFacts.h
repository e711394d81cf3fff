#pragma once

#include "catalog/Catalog.h"

#include <QCoreApplication>
#include <QList>
#include <QLocale>
#include <QtQmlIntegration>

// One row of the detail pane's facts table.
struct DetailFact {
    Q_GADGET
    QML_VALUE_TYPE(detailFact)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString value MEMBER value CONSTANT)
public:
    QString name;
    QString value;
    friend bool operator==(const DetailFact &, const DetailFact &) = default;
};

// The facts about an app: category, catalogue version, installed version (when there is one),
// required system, the date of the last update and the download's size when it is pinned.
class DetailFacts {
    Q_DECLARE_TR_FUNCTIONS(DetailFacts)
public:
    // categoryName: the store's answer (the raw id for an unlisted category); installedVersion
    // and hasUpdate: the store's answers (CardStatus::isInstalled).
    static QList<DetailFact> of(const CatalogApp &app, const QString &categoryName, const QString &installedVersion,
                                bool hasUpdate, const QLocale &locale = QLocale());
    // The date alone, abbreviated in the locale's own order ("Mar 12, 2024", "12. März 2024"),
    // in the local time zone.
    static QString date(const QDateTime &moment, const QLocale &locale = QLocale());
};

// The credit for the open-source project an app is built on.
struct SourceCredit {
    Q_GADGET
    QML_VALUE_TYPE(sourceCredit)
    Q_DECLARE_TR_FUNCTIONS(SourceCredit)
    Q_PROPERTY(QString sentence MEMBER sentence CONSTANT)
    Q_PROPERTY(QString repository MEMBER repository CONSTANT)
    Q_PROPERTY(QString fork MEMBER fork CONSTANT)
    Q_PROPERTY(bool showsSourceOfferWarning MEMBER showsSourceOfferWarning CONSTANT)
public:
    QString sentence;    // "Based on <project> by <author>, released under the <licence> license."
    QString repository;  // full absolute URL text
    QString fork;        // empty without a fork
    bool showsSourceOfferWarning = false;

    static SourceCredit of(const Source &source);
    // The repository's last path component ("tool" for https://example.org/team/tool/).
    static QString projectName(const QUrl &repository);
};

Q_DECLARE_METATYPE(DetailFact)
