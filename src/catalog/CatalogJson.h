#pragma once

#include "catalog/Catalog.h"

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The catalogue's JSON format: the one decoder and encoder used for the endpoint's document,
// the saved copy and the built-in copy.
//
// Decoding is strict: every required key with its JSON type, null or a missing key for an
// absent optional, unknown keys ignored at every level, and the whole document rejected on
// the first problem (keys are checked in the format's order; a document that is not
// well-formed JSON anywhere, ignored parts included, is rejected before anything else).
// Safe to call from any thread at once.
namespace CatalogJson {

struct DecodeError {
    // The coding path of the offending key, e.g. "apps[2].screenshots"; empty when the
    // problem is the document as a whole (not JSON, not an object).
    QString path;
    QString reason;

    // "apps[2].screenshots: required key missing", or the reason alone without a path.
    QString toString() const;
};

// The catalogue in json, or nothing with *error (when given) saying why.
std::optional<Catalog> decode(QByteArrayView json, DecodeError *error = nullptr);

// Compact JSON: keys in the format's order, absent optionals left out, timestamps in UTC
// with whole seconds, prices exactly as read. decode(encode(c)) == c for every catalogue
// that decode produced. An invalid QDateTime or QUrl (only hand-made records have them) is
// written as "", which decode then rejects rather than mistaking it for a real value.
QByteArray encode(const Catalog &catalog);

} // namespace CatalogJson
