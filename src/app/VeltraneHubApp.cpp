#include "app/VeltraneHubApp.h"

#include "app/StartupHeap.h"
#include "app/StartupProbe.h"
#include "app/SweptInstaller.h"
#ifdef VELTRANE_SCREENSHOT_HOOKS
#include "app/ScreenshotScript.h"
#endif
#include "view/ForeignTypes.h"
#include "view/ViewSetup.h"
#include "platform/ToolRunner.h"
#include "service/MissingMenuEntries.h"

#include <QDBusConnection>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLocale>
#include <QQuickWindow>
#include <QQmlComponent>
#include <QTimer>
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

void VeltraneHubApp::prepareSession()
{
    // Accessibility connects to the session bus when the window is first laid out, and the
    // window's thread waits for that: the connection is made on a worker meanwhile. Without a
    // bus the attempt forks, and a fork write-protects every page the program has by then: so
    // it comes before the window's types load, and the heap's reserve is faulted in after it.
    QThreadPool::globalInstance()->start([] {
        QDBusConnection::sessionBus();
        StartupHeap::prefault();
    });
}

std::unique_ptr<QQmlApplicationEngine> VeltraneHubApp::startEngine()
{
    // The window's types load on the engine's loader thread while the rest of the Hub is made;
    // start() then waits only for what is left of them.
    auto engine = std::make_unique<QQmlApplicationEngine>();
    ViewSetup::prepare(*engine);
    new QQmlComponent(engine.get(), ViewSetup::windowUrl(), QQmlComponent::Asynchronous, engine.get());
    return engine;
}

VeltraneHubApp::VeltraneHubApp(Options options)
    : m_engine(startEngine()),
      m_service(&m_network, options.catalog),
      // Installed copies are looked for where the installer puts them; an uninstall finds there
      // the copy it moves to the Trash.
      m_installedApps(std::make_shared<const InstalledApps>(options.installer.locations)),
      m_store(&m_service, m_installedApps),
      // Every operation of the installer waits for the sweep of what earlier runs left.
      m_updates(std::make_shared<SweptInstaller>(std::make_shared<UpdateInstaller>(options.installer)),
                DesktopServices::forUser(options.installer.locations), m_installedApps),
      m_locations(options.installer.locations)
{
    // While the window's types load, the faces, which must be there before the window: one
    // added after it would make the window lay all its text out again.
    ViewSetup::loadFonts();
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
    m_imageNetwork.emplace(options.catalog.extraCaFile);
    m_engine->setNetworkAccessManagerFactory(&*m_imageNetwork);
    if (m_translator.load(QLocale(), QStringLiteral("veltrane-hub"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&m_translator);
}

VeltraneHubApp::~VeltraneHubApp()
{
    stopWork();
    // Windows first, while the objects their bindings read still exist; then the engine.
    const auto roots = m_engine->rootObjects();
    for (QObject *root : roots)
        delete root;
    m_engine.reset();
}

bool VeltraneHubApp::start()
{
    // The catalogue loads on worker threads while the window opens, its requests held until
    // the window is drawn; then the apps with updates are prefetched.
    m_drawn.start();
    m_service.holdRequestsUntil(m_drawn.future());
    m_store.startLoad(CatalogStore::LoadKind::Launch);
    m_engine->load(ViewSetup::windowUrl());
    if (!window())
        return false;
    // The content's types load on the engine's loader thread while the outline is drawn.
    new QQmlComponent(m_engine.get(), ViewSetup::contentUrl(), QQmlComponent::Asynchronous, window());
    StartupProbe::attach(window(), m_store);
    showContentOnceDrawn();
    window()->show();
#ifdef VELTRANE_SCREENSHOT_HOOKS
    if (const QString script = qEnvironmentVariable("VELTRANE_SCREENSHOT_SCRIPT"); !script.isEmpty())
        ScreenshotScript::run(*this, script);
#endif
    return true;
}

void VeltraneHubApp::showContentOnceDrawn()
{
    // The window opens on its outline. Once that is drawn, requests may set TLS up on this
    // thread, and the content is made in one piece: with the catalogue when the load has it
    // (offline it is there by then), else after a moment, showing the load in progress. A
    // window that is not drawn (opened minimised, say) gets its content all the same.
    auto drawn = std::make_shared<bool>(false);
    const auto onDrawn = [this, drawn] {
        if (std::exchange(*drawn, true))
            return;
        m_drawn.finish();
        if (m_store.phase().kind != CatalogStore::Phase::Kind::Loading)
            return showContent();
        QObject::connect(&m_store, &CatalogStore::phaseChanged, window(), [this] { showContent(); },
                         static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
        QTimer::singleShot(loadingContentDelay, window(), [this] { showContent(); });
    };
    QObject::connect(window(), &QQuickWindow::frameSwapped, window(), onDrawn,
                     static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    QTimer::singleShot(notDrawnDelay, window(), onDrawn);
}

void VeltraneHubApp::showContent()
{
    if (std::exchange(m_contentShown, true))
        return;
    QMetaObject::invokeMethod(window(), "showContent");
    // Drawn from its SVG by a plugin: after the content's first frame, as nothing in the
    // window shows it (the desktop entry names the icon too).
    QObject::connect(window(), &QQuickWindow::frameSwapped, window(), [] {
        QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/apps.veltrane.Hub.svg")));
        StartupHeap::release();
    }, static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
}

QQuickWindow *VeltraneHubApp::window() const
{
    if (!m_engine)
        return nullptr;  // being destroyed
    const auto roots = m_engine->rootObjects();
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
