#include "app/VeltraneHubApp.h"

#include "app/StartupProbe.h"
#ifdef VELTRANE_SCREENSHOT_HOOKS
#include "app/ScreenshotScript.h"
#endif
#include "view/ForeignTypes.h"
#include "view/ViewSetup.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Veltrane_HubPlugin)

VeltraneHubApp::Options VeltraneHubApp::Options::fromBuild()
{
    return {};
}

void VeltraneHubApp::prepareGraphics()
{
    // Without a GPU, Qt Quick's software renderer draws this window several times faster than
    // OpenGL emulated on the CPU (measured with bench/startup.sh). QT_QUICK_BACKEND still wins.
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND") || QFileInfo::exists(QStringLiteral("/dev/dri/renderD128")))
        return;
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

VeltraneHubApp::VeltraneHubApp() : VeltraneHubApp(Options::fromBuild()) {}

VeltraneHubApp::VeltraneHubApp(Options options)
    : m_service(&m_network, options.catalog), m_store(&m_service),
      m_updates(std::make_shared<UpdateInstaller>(options.installer),
                DesktopServices::forUser(options.installer.locations),
                std::make_shared<const InstalledApps>(options.installer.locations))
{
    if (m_translator.load(QLocale(), QStringLiteral("veltrane-hub"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&m_translator);
    // The views draw their own controls; the Basic style is the one meant for that.
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    ViewSetup::loadFonts();
    CatalogStoreSingleton::install(&m_store);
    UpdateCoordinatorSingleton::install(&m_updates);
    ViewSetup::prepare(m_engine);
    if (!options.catalog.extraCaFile.isEmpty()) {
        m_imageNetwork.emplace(options.catalog.extraCaFile);
        m_engine.setNetworkAccessManagerFactory(&*m_imageNetwork);
    }
}

VeltraneHubApp::~VeltraneHubApp()
{
    // Windows first, while the objects their bindings read still exist.
    const auto roots = m_engine.rootObjects();
    for (QObject *root : roots)
        delete root;
}

bool VeltraneHubApp::start()
{
    // The catalogue loads on worker threads while the window's QML loads here; the window
    // first shows the store's initial state (loading, no apps) either way.
    launch(m_store, m_updates);
    m_engine.load(QUrl(QStringLiteral("qrc:/Veltrane/Hub/HubWindow.qml")));
    if (!window())
        return false;
    StartupProbe::attach(window(), m_store);
    window()->show();
#ifdef VELTRANE_SCREENSHOT_HOOKS
    if (const QString script = qEnvironmentVariable("VELTRANE_SCREENSHOT_SCRIPT"); !script.isEmpty())
        ScreenshotScript::run(*this, script);
#endif
    return true;
}

QQuickWindow *VeltraneHubApp::window() const
{
    const auto roots = m_engine.rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
}

QCoro::Task<> VeltraneHubApp::launch(CatalogStore &store, UpdateCoordinator &updates)
{
    // Before the load, so an install that ends during it already rescans.
    updates.setOnInstalled([&store](const std::optional<std::pair<QString, QString>> &justInstalled) {
        store.rescanInstalled(justInstalled);
    });
    co_await store.load();
    updates.prefetch(store.updatableApps());
}
