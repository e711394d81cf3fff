#pragma once

#include "model/Catalog.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The two calls of the catalogue's JSON format that the service makes, in one place.
namespace CatalogCodec {

// The catalogue in json, or nothing with *error saying why.
std::optional<Catalog> decode(QByteArrayView json, QString *error);
QByteArray encode(const Catalog &catalog);

} // namespace CatalogCodec
