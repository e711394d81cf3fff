#include "view/ViewSetup.h"

#include "view/SymbolImageProvider.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QResource>
#include <QUrl>

#include <mutex>

namespace ViewSetup {

void prepare(QQmlEngine &engine)
{
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
}

QUrl windowUrl() { return QUrl(QStringLiteral("qrc:/Veltrane/Hub/HubWindow.qml")); }

void addFonts()
{
    static std::once_flag added;
    std::call_once(added, [] {
        for (const char *face : {"Regular", "Medium", "SemiBold"}) {
            // Straight from the program's resources, without a copy, where they are stored as is.
            const QResource resource(QStringLiteral(":/fonts/Inter-%1.otf").arg(QLatin1String(face)));
            if (resource.compressionAlgorithm() == QResource::NoCompression)
                QFontDatabase::addApplicationFontFromData(
                    QByteArray::fromRawData(reinterpret_cast<const char *>(resource.data()), resource.size()));
            else
                QFontDatabase::addApplicationFontFromData(resource.uncompressedData());
        }
    });
}

void useFonts()
{
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(14);
    QGuiApplication::setFont(font);
}

void loadFonts()
{
    addFonts();
    useFonts();
}

} // namespace ViewSetup
