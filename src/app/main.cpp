#include "app/VeltraneHubApp.h"

#include "BuildConfig.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    VeltraneHubApp::prepareGraphics();
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Veltrane Hub"));
    QGuiApplication::setApplicationVersion(QString::fromLatin1(BuildConfig::version));
    QGuiApplication::setDesktopFileName(QStringLiteral("veltrane-hub"));

    VeltraneHubApp hub;
    if (!hub.start())
        return 1;
    return QGuiApplication::exec();
}
