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

QUrl contentUrl() { return QUrl(QStringLiteral("qrc:/Veltrane/Hub/HubContent.qml")); }

namespace {

// The program's own build of Inter (scripts/fonts.py): named apart from the system's copies,
// which fontconfig would otherwise pick, and cheaper to shape.
const QString family = QStringLiteral("Inter Hub");

void addFonts()
{
    for (const char *face : {"Regular", "Medium", "SemiBold"}) {
        // Straight from the program's resources, without a copy, where they are stored as is.
        const QResource resource(QStringLiteral(":/fonts/InterHub-%1.otf").arg(QLatin1String(face)));
        if (resource.compressionAlgorithm() == QResource::NoCompression)
            QFontDatabase::addApplicationFontFromData(
                QByteArray::fromRawData(reinterpret_cast<const char *>(resource.data()), resource.size()));
        else
            QFontDatabase::addApplicationFontFromData(resource.uncompressedData());
    }
    // Each face added drops the database's list of families: it is read again now, not when
    // the first text needs it.
    QFontDatabase::families();
}

void useFonts()
{
    QFont font(family);
    font.setPixelSize(14);
    // As the views' text styles: glyphs on whole pixels.
    font.setHintingPreference(QFont::PreferFullHinting);
    QGuiApplication::setFont(font);
}

} // namespace

void loadFonts()
{
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        addFonts();
        useFonts();
    });
}

} // namespace ViewSetup
