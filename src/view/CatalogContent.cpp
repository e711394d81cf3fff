#include "view/CatalogContent.h"

namespace {

CatalogContent::Kind kindFor(const CatalogStore::Phase &phase, qsizetype catalogAppCount,
                             qsizetype visibleCount, const QString &searchText)
{
    using Kind = CatalogContent::Kind;
    using Phase = CatalogStore::Phase::Kind;
    if (phase.kind == Phase::Failed && catalogAppCount == 0)
        return Kind::Unavailable;
    if (phase.kind == Phase::Loading && catalogAppCount == 0)
        return Kind::Loading;
    if (visibleCount == 0)  // the text as typed: a search of spaces is still a search
        return searchText.isEmpty() ? Kind::EmptySection : Kind::EmptySearch;
    return Kind::Grid;
}

} // namespace

CatalogContent CatalogContent::choose(const CatalogStore::Phase &phase, qsizetype catalogAppCount,
                                      qsizetype visibleCount, const QString &searchText)
{
    CatalogContent content;
    content.kind = kindFor(phase, catalogAppCount, visibleCount, searchText);
    content.subtitle = appCount(visibleCount);
    if (content.kind == Kind::EmptySearch)
        content.searchTitle = tr("No Results for “%1”").arg(searchText);
    return content;
}

QString CatalogContent::appCount(qsizetype count)
{
    return count == 1 ? tr("1 app") : tr("%1 apps").arg(count);
}
