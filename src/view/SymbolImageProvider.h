#pragma once

#include <QQuickImageProvider>

// Draws the bundled symbol icons in any colour: "image://symbol/<colour>/<symbol name>", the
// colour as hex digits without "#" (rrggbb or aarrggbb). The icons are line drawings in
// "currentColor", so the colour is substituted before the SVG is rendered.
class SymbolImageProvider : public QQuickImageProvider {
public:
    SymbolImageProvider();

    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;

    // The same drawing, for callers outside an engine (tests, the benchmark).
    static QImage render(const QString &symbolName, const QColor &color, const QSize &size);
};
