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

const QString family = QStringLiteral("Inter");

// The upright weights of the family that the system has (Debian's fonts-inter, say).
QList<int> systemWeights()
{
    QList<int> weights;
    const QStringList styles = QFontDatabase::styles(family);
    for (const QString &style : styles) {
        if (!QFontDatabase::italic(family, style))
            weights.append(QFontDatabase::weight(family, style));
    }
    return weights;
}

} // namespace

void addFonts()
{
    static std::once_flag added;
    std::call_once(added, [] {
        // The system's faces serve where it has them: the program's copies would be read all
        // the same, and kept in memory, only for fontconfig to pick the system's.
        const QList<int> installed = systemWeights();
        const std::pair<const char *, int> faces[] = {
            {"Regular", QFont::Normal}, {"Medium", QFont::Medium}, {"SemiBold", QFont::DemiBold}};
        for (const auto &[face, weight] : faces) {
            if (installed.contains(weight))
                continue;
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
    QFont font(family);
    font.setPixelSize(14);
    // As the views' text styles: glyphs on whole pixels.
    font.setHintingPreference(QFont::PreferFullHinting);
    QGuiApplication::setFont(font);
}

void loadFonts()
{
    addFonts();
    useFonts();
}

} // namespace ViewSetup
