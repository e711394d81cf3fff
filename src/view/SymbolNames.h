#pragma once

#include <QString>

// Maps the system symbol names the catalogue and the views use ("checkmark.circle") onto the
// bundled icon set. Every name yields an icon: unknown ones get a generic app symbol.
namespace SymbolNames {

// Resource path of the SVG drawn for a symbol name, e.g. ":/icons/lucide/circle-check.svg".
QString resourceFor(const QString &symbolName);

// True when the name (or its base name without ".fill" and the like) has its own icon.
bool isKnown(const QString &symbolName);

} // namespace SymbolNames
