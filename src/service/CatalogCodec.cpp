#include "service/CatalogCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// Stand-in for the catalogue's JSON format until it lands: the top level and categories only.
namespace CatalogCodec {

std::optional<Catalog> decode(QByteArrayView json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toByteArray(), &parseError);
    const QJsonObject root = doc.object();
    const auto fail = [&](const QString &why) -> std::optional<Catalog> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!doc.isObject())
        return fail(QStringLiteral("not a JSON object"));
    if (!root.value(u"version").isDouble() || !root.value(u"updatedAt").isString()
        || !root.value(u"categories").isArray() || !root.value(u"apps").isArray())
        return fail(QStringLiteral("required key missing"));
    Catalog catalog;
    catalog.version = root.value(u"version").toInteger();
    catalog.updatedAt = QDateTime::fromString(root.value(u"updatedAt").toString(), Qt::ISODate);
    if (!catalog.updatedAt.isValid())
        return fail(QStringLiteral("updatedAt: bad timestamp"));
    for (const QJsonValue &value : root.value(u"categories").toArray()) {
        const QJsonObject c = value.toObject();
        if (!c.value(u"id").isString() || !c.value(u"name").isString() || !c.value(u"symbol").isString())
            return fail(QStringLiteral("categories: required key missing"));
        catalog.categories.append({c.value(u"id").toString(), c.value(u"name").toString(), c.value(u"symbol").toString()});
    }
    return catalog;
}

QByteArray encode(const Catalog &catalog)
{
    QJsonArray categories;
    for (const Category &c : catalog.categories)
        categories.append(QJsonObject{{QStringLiteral("id"), c.id}, {QStringLiteral("name"), c.name}, {QStringLiteral("symbol"), c.symbol}});
    const QJsonObject root{{QStringLiteral("version"), catalog.version},
                           {QStringLiteral("updatedAt"), catalog.updatedAt.toUTC().toString(Qt::ISODate)},
                           {QStringLiteral("categories"), categories},
                           {QStringLiteral("apps"), QJsonArray()}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

} // namespace CatalogCodec
