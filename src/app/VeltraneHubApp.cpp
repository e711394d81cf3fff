#include "app/VeltraneHubApp.h"

#include "app/StartupProbe.h"
#include "app/SweptInstaller.h"
#ifdef VELTRANE_SCREENSHOT_HOOKS
#include "app/ScreenshotScript.h"
#endif
#include "view/ForeignTypes.h"
#include "view/ViewSetup.h"
#include "platform/ToolRunner.h"
#include "service/MissingMenuEntries.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QQuickWindow>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>
#include <utility>

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
    : m_service(&m_network, options.catalog),
      // Installed copies are looked for where the installer puts them; an uninstall finds there
      // the copy it moves to the Trash.
      m_installedApps(std::make_shared<const InstalledApps>(options.installer.locations)),
      m_store(&m_service, m_installedApps),
      // Every operation of the installer waits for the sweep of what earlier runs left.
      m_updates(std::make_shared<SweptInstaller>(std::make_shared<UpdateInstaller>(options.installer)),
                DesktopServices::forUser(options.installer.locations), m_installedApps),
      m_locations(options.installer.locations)
{
    m_entryWriter.setMaxThreadCount(1);
    // Every install and uninstall the coordinator completes rescans the installed apps; the
    // rows of the store's models show the coordinator's install states.
    m_updates.setOnInstalled([this](const std::optional<std::pair<QString, QString>> &justInstalled) {
        m_store.rescanInstalled(justInstalled);
    });
    m_store.setUpdates(&m_updates);
    QObject::connect(&m_store, &CatalogStore::installedChanged, &m_store, [this] { registerMissingEntries(); });
    // Cached images older than the catalogue's versions go once a catalogue is shown.
    QObject::connect(&m_store, &CatalogStore::phaseChanged, &m_store, [this] {
        if (m_store.phase().kind == CatalogStore::Phase::Kind::Loaded)
            m_updates.catalogueLoaded(m_store.catalog().apps);
    });
    CatalogStoreSingleton::install(&m_store);
    UpdateCoordinatorSingleton::install(&m_updates);
    ViewSetup::prepare(m_engine);
    m_imageNetwork.emplace(options.catalog.extraCaFile);
    m_engine.setNetworkAccessManagerFactory(&*m_imageNetwork);
    if (m_translator.load(QLocale(), QStringLiteral("veltrane-hub"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&m_translator);
    // The window opens on an outline without text: the faces are added meanwhile.
    m_fonts = QtConcurrent::run(ViewSetup::addFonts);
}

VeltraneHubApp::~VeltraneHubApp()
{
    stopWork();
    // Windows first, while the objects their bindings read still exist.
    const auto roots = m_engine.rootObjects();
    for (QObject *root : roots)
        delete root;
}

bool VeltraneHubApp::start()
{
    // The catalogue loads on worker threads while the window builds its content; then the
    // apps with updates are prefetched. Its host is looked up while the window loads: offline,
    // the answer is what the load waits for.
    m_service.lookUpAhead();
    m_engine.load(ViewSetup::windowUrl());
    if (!window())
        return false;
    StartupProbe::attach(window(), m_store);
    startLoadAfterFirstFrame();
    window()->show();
    // Before the event loop makes anything of the content, which needs them.
    m_fonts.waitForFinished();
    ViewSetup::useFonts();
#ifdef VELTRANE_SCREENSHOT_HOOKS
    if (const QString script = qEnvironmentVariable("VELTRANE_SCREENSHOT_SCRIPT"); !script.isEmpty())
        ScreenshotScript::run(*this, script);
#endif
    return true;
}

void VeltraneHubApp::startLoadAfterFirstFrame()
{
    // The first request sets up TLS (its plugin, the system's certificates): tens of
    // milliseconds the window's outline need not wait for. The load runs on worker threads
    // while the content builds, so it still shows with the content. A window that is not drawn
    // (opened minimised, say) loads it all the same, a moment later.
    auto started = std::make_shared<bool>(false);
    const auto startOnce = [this, started] {
        if (std::exchange(*started, true))
            return;
        m_store.startLoad(CatalogStore::LoadKind::Launch);
    };
    QObject::connect(window(), &QQuickWindow::frameSwapped, &m_store, startOnce,
                     static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    QTimer::singleShot(notDrawnLoadDelay, &m_store, startOnce);
}

QQuickWindow *VeltraneHubApp::window() const
{
    const auto roots = m_engine.rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
}

void VeltraneHubApp::registerMissingEntries()
{
    QHash<QString, InstalledApp> installed;
    QHash<QString, DesktopEntries::CatalogDetails> details;
    for (const CatalogApp &app : m_store.catalog().apps) {
        // An install or uninstall in flight registers or unregisters the app itself.
        if (!app.bundleID || m_updates.isBusy(app))
            continue;
        if (const auto found = m_store.installed().constFind(*app.bundleID); found != m_store.installed().cend()) {
            installed.insert(found.key(), found.value());
            details.insert(found.key(), {app.categoryID, app.tagline});
        }
    }
    if (installed.isEmpty())
        return;
    m_entryWriter.start([locations = m_locations, installed, details] {
        ::registerMissingEntries(locations, installed, details);
    });
}

void VeltraneHubApp::stopWork()
{
    if (QQuickWindow *shown = window())
        shown->hide();
    m_updates.cancelAll();
    ToolRunner::stopAll();
    // An app being put in place is never left half: its install ends (the tools it still
    // needed have stopped) before the program does.
    QEventLoop finishing;
    while (m_updates.isWorking())
        finishing.processEvents(QEventLoop::WaitForMoreEvents);
    m_entryWriter.waitForDone();
}
