#include "catalog/CatalogJson.h"
#include "catalog/CatalogJsonTimestamp.h"
#include "catalog/CatalogJsonWriter.h"

// Keys are written in the same order as the decoder checks them.

namespace CatalogJson {
namespace {

using namespace Qt::StringLiterals;

// Fully encoded is plain ASCII and parses back strictly to an equal QUrl (the decoder refuses
// the few that would not). An invalid URL encodes as "", which the decoder rejects.
void writeUrl(Writer &w, const QUrl &url)
{
    w.string(QByteArrayView(url.toEncoded(QUrl::FullyEncoded)));
}

void writeTimestamp(Writer &w, const QDateTime &dateTime)
{
    w.string(QByteArrayView(Timestamp::format(dateTime)));
}

void writeCategory(Writer &w, const Category &c)
{
    w.beginObject();
    w.key("id"_L1).string(c.id);
    w.key("name"_L1).string(c.name);
    w.key("symbol"_L1).string(c.symbol);
    w.endObject();
}

void writePrice(Writer &w, const Price &p)
{
    w.beginObject();
    w.key("amount"_L1).raw(p.amount.jsonText());
    w.key("currency"_L1).string(p.currency);
    w.endObject();
}

void writeSource(Writer &w, const Source &s)
{
    w.beginObject();
    writeUrl(w.key("repository"_L1), s.repository);
    w.key("author"_L1).string(s.author);
    w.key("license"_L1).string(s.license);
    if (s.fork)
        writeUrl(w.key("fork"_L1), *s.fork);
    w.endObject();
}

void writeApp(Writer &w, const CatalogApp &a)
{
    w.beginObject();
    w.key("id"_L1).string(a.id);
    w.key("name"_L1).string(a.name);
    w.key("tagline"_L1).string(a.tagline);
    w.key("description"_L1).string(a.description);
    w.key("version"_L1).string(a.version);
    writePrice(w.key("price"_L1), a.price);
    if (a.source)
        writeSource(w.key("source"_L1), *a.source);
    w.key("category"_L1).string(a.categoryID);
    if (a.bundleID)
        w.key("bundleId"_L1).string(*a.bundleID);
    w.key("minimumSystemVersion"_L1).string(a.minimumSystem);
    if (a.iconURL)
        writeUrl(w.key("icon"_L1), *a.iconURL);
    w.key("screenshots"_L1).beginArray();
    for (const QUrl &url : a.screenshotURLs)
        writeUrl(w, url);
    w.endArray();
    if (a.downloadURL)
        writeUrl(w.key("download"_L1), *a.downloadURL);
    if (a.downloadSize)
        w.key("downloadSize"_L1).integer(*a.downloadSize);
    if (a.downloadSHA256)
        w.key("downloadSHA256"_L1).string(*a.downloadSHA256);
    if (a.homepageURL)
        writeUrl(w.key("homepage"_L1), *a.homepageURL);
    w.key("featured"_L1).boolean(a.isFeatured);
    writeTimestamp(w.key("updated"_L1), a.updatedAt);
    w.endObject();
}

} // namespace

QByteArray encode(const Catalog &catalog)
{
    Writer w(1024 + catalog.apps.size() * 1024);
    w.beginObject();
    w.key("version"_L1).integer(catalog.version);
    writeTimestamp(w.key("updatedAt"_L1), catalog.updatedAt);
    w.key("categories"_L1).beginArray();
    for (const Category &c : catalog.categories)
        writeCategory(w, c);
    w.endArray();
    w.key("apps"_L1).beginArray();
    for (const CatalogApp &a : catalog.apps)
        writeApp(w, a);
    w.endArray();
    w.endObject();
    return w.take();
}

} // namespace CatalogJson
