#pragma once

#include "catalog/Catalog.h"

#include <QStringView>

#include <vector>

// The grid's order: by name, comparing the Unicode scalar values of the composed names,
// case-sensitively and without locale, so "Zulu" precedes "zeta" and "Émile".
namespace NameOrder {

// Negative, zero or positive as a orders before, with or after b by code point.
// Unlike a UTF-16 code unit comparison, U+10000 and above order after U+E000..U+FFFF.
int compareCodePoints(QStringView a, QStringView b);

// The indices of apps sorted by name, keeping the apps' order among equal names.
std::vector<qsizetype> byName(const QList<CatalogApp> &apps);

} // namespace NameOrder
