#include "view/SymbolImageProvider.h"

#include "view/SymbolNames.h"

#include <QColor>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace {

constexpr int defaultEdge = 24;

QByteArray svgIn(const QString &resource, const QColor &color)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    return svg;
}

} // namespace

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage SymbolImageProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const qsizetype slash = id.indexOf(QLatin1Char('/'));
    const QColor color = QColor::fromString(QLatin1Char('#') + id.left(qMax<qsizetype>(slash, 0)));
    const QString name = slash < 0 ? id : id.mid(slash + 1);
    const QSize edge(requestedSize.width() > 0 ? requestedSize.width() : defaultEdge,
                     requestedSize.height() > 0 ? requestedSize.height() : defaultEdge);
    if (size)
        *size = edge;
    return render(name, color.isValid() ? color : QColor(Qt::black), edge);
}

QImage SymbolImageProvider::render(const QString &symbolName, const QColor &color, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(svgIn(SymbolNames::resourceFor(symbolName), color));
    if (!renderer.isValid())
        return image;
    {
        // The painter must be done before the image is handed out.
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(color.alphaF());
        renderer.render(&painter);
    }
    return image;
}
