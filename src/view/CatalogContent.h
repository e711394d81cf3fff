#pragma once

#include "state/CatalogStore.h"

#include <QCoreApplication>
#include <QtQmlIntegration>

// Which of its contents the catalogue column shows, and the texts that go with them.
// A catalogue that holds apps keeps the grid (or the empty placeholder) through reloads and
// failures; only an empty catalogue gives way to the loading or unavailable placeholders.
struct CatalogContent {
    Q_GADGET
    QML_VALUE_TYPE(catalogContent)
    Q_DECLARE_TR_FUNCTIONS(CatalogContent)
    Q_PROPERTY(Kind kind MEMBER kind CONSTANT)
    Q_PROPERTY(QString subtitle MEMBER subtitle CONSTANT)
    Q_PROPERTY(QString searchTitle MEMBER searchTitle CONSTANT)
    Q_PROPERTY(bool showsUnavailable READ showsUnavailable CONSTANT)
    Q_PROPERTY(bool showsLoading READ showsLoading CONSTANT)
    Q_PROPERTY(bool showsEmptySection READ showsEmptySection CONSTANT)
    Q_PROPERTY(bool showsEmptySearch READ showsEmptySearch CONSTANT)
    Q_PROPERTY(bool showsGrid READ showsGrid CONSTANT)
public:
    enum class Kind { Unavailable, Loading, EmptySection, EmptySearch, Grid };
    Q_ENUM(Kind)
    Kind kind = Kind::Grid;
    QString subtitle;     // "1 app", "0 apps", "12 apps"
    QString searchTitle;  // only for EmptySearch: names the search text

    bool showsUnavailable() const { return kind == Kind::Unavailable; }
    bool showsLoading() const { return kind == Kind::Loading; }
    bool showsEmptySection() const { return kind == Kind::EmptySection; }
    bool showsEmptySearch() const { return kind == Kind::EmptySearch; }
    bool showsGrid() const { return kind == Kind::Grid; }

    static CatalogContent choose(const CatalogStore::Phase &phase, qsizetype catalogAppCount,
                                 qsizetype visibleCount, const QString &searchText);
    static QString appCount(qsizetype count);
};
