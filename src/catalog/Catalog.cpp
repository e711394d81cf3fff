#include "catalog/Catalog.h"

#include <algorithm>

using namespace Qt::StringLiterals;

bool CatalogLinks::isFetchable(const QUrl &url)
{
    return url.isValid() && url.scheme() == "https"_L1 && !url.host().isEmpty();
}

bool CatalogLinks::mayOpen(const QUrl &url)
{
    return url.isValid() && (url.scheme() == "https"_L1 || url.scheme() == "http"_L1) &&
           !url.host().isEmpty();
}

namespace {
std::optional<QUrl> fetchable(const std::optional<QUrl> &url)
{
    return url && CatalogLinks::isFetchable(*url) ? url : std::nullopt;
}
} // namespace

std::optional<QUrl> CatalogApp::fetchableIconURL() const
{
    return fetchable(iconURL);
}

std::optional<QUrl> CatalogApp::fetchableDownloadURL() const
{
    return fetchable(downloadURL);
}

QList<QUrl> CatalogApp::fetchableScreenshotURLs() const
{
    QList<QUrl> urls;
    std::copy_if(screenshotURLs.begin(), screenshotURLs.end(), std::back_inserter(urls),
                 CatalogLinks::isFetchable);
    return urls;
}

bool Source::requiresSourceOffer() const
{
    static const char *const copyleft[] = {"AGPL", "GPL", "LGPL", "MPL", "EUPL", "OSL", "CDDL", "EPL"};
    const QString upper = license.toUpper();
    return std::any_of(std::begin(copyleft), std::end(copyleft),
                       [&](const char *name) { return upper.contains(QLatin1String(name)); });
}

Catalog Catalog::empty(const QDateTime &now)
{
    Catalog c;
    c.version = 1;
    c.updatedAt = now;
    return c;
}

std::optional<Category> Catalog::category(const CatalogApp &app) const
{
    const auto it = std::find_if(categories.begin(), categories.end(),
                                 [&](const Category &c) { return c.id == app.categoryID; });
    if (it == categories.end())
        return std::nullopt;
    return *it;
}

qsizetype Catalog::appCount(const Category &category) const
{
    return std::count_if(apps.begin(), apps.end(),
                         [&](const CatalogApp &a) { return a.categoryID == category.id; });
}
