#include "view/SidebarRows.h"

namespace {

QString badgeFor(qsizetype count) { return count > 0 ? QString::number(count) : QString(); }

} // namespace

QList<SidebarRow> SidebarRows::of(const Catalog &catalog, qsizetype featuredCount, qsizetype updatableCount)
{
    using Filter = CatalogStore::Filter;
    QList<SidebarRow> rows = {
        {tr("All Apps"), QStringLiteral("square.grid.2x2"), badgeFor(catalog.apps.size()), Filter::all(), {}},
        {tr("Featured"), QStringLiteral("sparkles"), badgeFor(featuredCount), Filter::featured(), {}},
    };
    if (updatableCount > 0)
        rows.append({tr("Updates"), QStringLiteral("arrow.down.circle"), badgeFor(updatableCount),
                     Filter::updates(), {}});
    for (const Category &category : catalog.categories) {
        const bool first = &category == &catalog.categories.front();
        rows.append({category.name, category.symbol, badgeFor(catalog.appCount(category)),
                     Filter::category(category.id), first ? tr("Categories") : QString()});
    }
    return rows;
}

qsizetype SidebarRows::indexOf(const QList<SidebarRow> &rows, const CatalogStore::Filter &filter)
{
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].filter == filter)
            return i;
    }
    return -1;
}
