#include "view/ViewSetup.h"

#include "view/SymbolImageProvider.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QQmlEngine>

namespace ViewSetup {

void prepare(QQmlEngine &engine)
{
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
}

void loadFonts()
{
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    for (const char *face : {"Regular", "Medium", "SemiBold"})
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/Inter-%1.otf").arg(QLatin1String(face)));
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(14);
    QGuiApplication::setFont(font);
}

} // namespace ViewSetup
