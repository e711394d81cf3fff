#pragma once

#include "catalog/Catalog.h"

#include <QString>

// The grid's free-text search. Runs on every keystroke, so it avoids copies and conversions
// where the text allows.
namespace AppSearch {

// Which of an app's searched texts (name, tagline, description) lie below U+0100, worked out
// once per catalogue so that a keystroke does not look again.
struct TextKinds {
    bool nameIsLatin1 = false;
    bool taglineIsLatin1 = false;
    bool descriptionIsLatin1 = false;

    static TextKinds of(const CatalogApp &app);
};

class Query {
public:
    // The search text without leading and trailing white space or line breaks of any Unicode
    // kind, in composed form so that it meets catalogue text on equal terms.
    explicit Query(const QString &searchText);

    // An empty query keeps every app.
    bool isEmpty() const { return m_text.isEmpty(); }
    const QString &text() const { return m_text; }

    // Whether the query occurs in the app's name, tagline or description, ignoring case.
    // Other fields are not searched.
    bool matches(const CatalogApp &app) const { return matches(app, TextKinds::of(app)); }
    bool matches(const CatalogApp &app, TextKinds kinds) const;

    // Case-insensitive containment of whole characters: accents and widths count, and a hit
    // that ends in front of a combining mark is no hit, so "cafe" finds neither "café" nor
    // "cafe" followed by U+0301.
    bool foundIn(const QString &text) const;
    bool foundIn(const QString &text, bool textIsLatin1) const;

private:
    QString m_text;
    bool m_ascii;
};

} // namespace AppSearch
