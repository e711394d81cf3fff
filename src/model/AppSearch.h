#pragma once

#include "model/Catalog.h"

#include <QString>

// The grid's free-text search. Runs on every keystroke, so it avoids copies and conversions
// where the text allows.
namespace AppSearch {

// The search text without leading and trailing white space or line breaks of any Unicode
// kind, in composed form so that it meets catalogue text on equal terms. Empty: no search.
QString queryFrom(const QString &searchText);

// Whether the query occurs in the app's name, tagline or description, ignoring case.
// Other fields are not searched.
bool matches(const CatalogApp &app, const QString &query);

// Case-insensitive containment of whole characters: accents count, and a hit that ends in
// front of a combining mark is no hit, so "cafe" finds neither "café" nor "cafe" + U+0301.
bool containsIgnoringCase(const QString &text, const QString &query);

} // namespace AppSearch
