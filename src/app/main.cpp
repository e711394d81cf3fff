#include "app/VeltraneHubApp.h"

#include "BuildConfig.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QQuickWindow>

namespace {

// Without a GPU, Qt Quick's software renderer draws this window several times faster than
// OpenGL emulated on the CPU (measured with bench/startup.sh). QT_QUICK_BACKEND still wins.
void preferSoftwareRendererWithoutGpu()
{
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND") || QFileInfo::exists(QStringLiteral("/dev/dri/renderD128")))
        return;
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

} // namespace

int main(int argc, char *argv[])
{
    preferSoftwareRendererWithoutGpu();
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Veltrane Hub"));
    QGuiApplication::setApplicationVersion(QString::fromLatin1(BuildConfig::version));
    QGuiApplication::setDesktopFileName(QStringLiteral("veltrane-hub"));

    VeltraneHubApp hub;
    if (!hub.start())
        return 1;
    return QGuiApplication::exec();
}
