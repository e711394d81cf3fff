#include "state/UpdateCoordinator.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

using Outcome = AppInstaller::Outcome<QString>;
using Failure = AppInstaller::Failure;

UpdateCoordinator::UpdateCoordinator(std::shared_ptr<AppInstaller> installer, DesktopServices services,
                                     std::shared_ptr<const InstalledApps> installedApps, QObject *parent)
    : QObject(parent),
      m_installer(std::move(installer)),
      m_services(std::move(services)),
      m_installedApps(std::move(installedApps))
{
}

void UpdateCoordinator::setOnInstalled(InstalledHook hook)
{
    m_onInstalled = std::move(hook);
}

UpdateCoordinator::State UpdateCoordinator::state(const CatalogApp &app) const
{
    return m_states.value(app.id, State::idle());
}

void UpdateCoordinator::install(const CatalogApp &app)
{
    if (isRunning(app)) {
        setAppToQuitFirst(app);
        return;
    }
    if (!app.downloadURL) {
        setState(app.id, State::failed(Failure::of(Failure::Kind::NoDownloadURL).description()));
        return;
    }
    setState(app.id, State::installing());
    runInstall(app);
}

// The coroutines below hold the installer while they wait, check that the coordinator still
// exists after every co_await, and await named tasks: g++ 12 may destroy the temporaries of a
// co_await expression twice.
QCoro::Task<> UpdateCoordinator::runInstall(CatalogApp app)
{
    const QPointer<UpdateCoordinator> self(this);
    const std::shared_ptr<AppInstaller> installer = m_installer;
    const AppInstaller::Progress progress = progressReporter(app.id);
    // The cached image of this version, else a fresh download.
    QCoro::Task<Outcome> fetching = installer->download(app, progress);
    const Outcome image = co_await fetching;
    if (!image.ok()) {
        if (self)
            finishInstall(app, image);
        co_return;
    }
    QCoro::Task<Outcome> installing = installer->install(app, image.value(), progress);
    const Outcome installed = co_await installing;
    if (self)
        finishInstall(app, installed);
}

void UpdateCoordinator::finishInstall(const CatalogApp &app, const Outcome &installed)
{
    if (!installed.ok()) {
        setState(app.id, State::failed(installed.failure().description()));
        return;
    }
    setState(app.id, State::installed(installed.value()));
    if (m_onInstalled) {
        if (app.bundleID)
            m_onInstalled(std::make_pair(*app.bundleID, installed.value()));
        else
            m_onInstalled(std::nullopt);
    }
}

void UpdateCoordinator::apply(const AppInstaller::Step &step, const QString &appID)
{
    using Kind = AppInstaller::Step::Kind;
    switch (step.kind) {
    case Kind::Verifying:
    case Kind::Installing:
        setState(appID, State::installing());
        return;
    case Kind::Finished:
        setState(appID, State::installed(step.location));
        return;
    case Kind::Downloading:
        // Reports travel separately and may arrive after a later step: a download report
        // never takes an install back.
        if (m_states.value(appID).kind == State::Kind::Installing)
            return;
        setState(appID, State::downloading(step.fraction));
        return;
    }
}

void UpdateCoordinator::prefetch(const QList<CatalogApp> &apps)
{
    for (const CatalogApp &app : apps) {
        if (m_running.contains(app.id) || !app.downloadURL)
            continue;
        if (m_installer->hasCachedImage(app)) {
            setState(app.id, State::ready());
            continue;
        }
        m_running.insert(app.id);
        setState(app.id, State::downloading(0));
        runPrefetch(app);
    }
}

void UpdateCoordinator::prefetchApps(const QVariantList &apps)
{
    QList<CatalogApp> list;
    list.reserve(apps.size());
    for (const QVariant &app : apps) {
        if (app.canConvert<CatalogApp>())
            list.append(app.value<CatalogApp>());
    }
    prefetch(list);
}

QCoro::Task<> UpdateCoordinator::runPrefetch(CatalogApp app)
{
    const QPointer<UpdateCoordinator> self(this);
    const std::shared_ptr<AppInstaller> installer = m_installer;
    QCoro::Task<Outcome> fetching = installer->download(app, progressReporter(app.id));
    const Outcome image = co_await fetching;
    if (!self)
        co_return;
    m_running.remove(app.id);
    setState(app.id, image.ok() ? State::ready() : State::failed(image.failure().description()));
}

void UpdateCoordinator::uninstall(const CatalogApp &app)
{
    if (!app.bundleID)
        return;
    const std::optional<InstalledApp> installed = m_installedApps->find(*app.bundleID);
    if (!installed)
        return;
    if (isRunning(app)) {
        setAppToQuitFirst(app);
        return;
    }
    runUninstall(app.id, *app.bundleID, installed->location);
}

QCoro::Task<> UpdateCoordinator::runUninstall(QString appID, QString bundleID, QString location)
{
    const QPointer<UpdateCoordinator> self(this);
    const std::shared_ptr<AppInstaller> installer = m_installer;
    QCoro::Task<AppInstaller::Outcome<>> moving = installer->uninstall(bundleID, location);
    const AppInstaller::Outcome<> moved = co_await moving;
    if (!self)
        co_return;
    if (!moved.ok()) {
        setState(appID, State::failed(moved.failure().description()));
        co_return;
    }
    setState(appID, State::idle());
    if (m_onInstalled)
        m_onInstalled(std::nullopt);
}

void UpdateCoordinator::goBack(const CatalogApp &app)
{
    if (isRunning(app)) {
        setAppToQuitFirst(app);
        return;
    }
    setState(app.id, State::installing());
    runGoBack(app);
}

QCoro::Task<> UpdateCoordinator::runGoBack(CatalogApp app)
{
    const QPointer<UpdateCoordinator> self(this);
    const std::shared_ptr<AppInstaller> installer = m_installer;
    QCoro::Task<Outcome> restoring = installer->goBack(app);
    const Outcome restored = co_await restoring;
    if (self)
        finishInstall(app, restored);
}

QString UpdateCoordinator::keptVersion(const CatalogApp &app) const
{
    return m_installer->keptVersion(app).value_or(QString());
}

void UpdateCoordinator::clearAppToQuitFirst()
{
    setAppToQuitFirst(std::nullopt);
}

void UpdateCoordinator::openApp(const QString &bundlePath)
{
    if (!bundlePath.isEmpty())
        m_services.launcher->open(bundlePath);
}

AppInstaller::Progress UpdateCoordinator::progressReporter(const QString &appID)
{
    // Called on the installer's threads, possibly after the coordinator is gone (a download
    // still running while the program quits). Each report reaches the window's thread as its
    // own event, through the application object, and acts only while the coordinator exists.
    return [self = QPointer<UpdateCoordinator>(this), appID](const AppInstaller::Step &step) {
        QCoreApplication *application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [self, step, appID] {
                if (self)
                    self->apply(step, appID);
            },
            Qt::QueuedConnection);
    };
}

bool UpdateCoordinator::isRunning(const CatalogApp &app) const
{
    return app.bundleID && m_services.runningApps->isRunning(*app.bundleID);
}

void UpdateCoordinator::setState(const QString &appID, const State &state)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_states.value(appID, State::idle()) == state)
        return;
    m_states.insert(appID, state);
    Q_EMIT stateChanged(appID);
    Q_EMIT statesChanged();
}

void UpdateCoordinator::setAppToQuitFirst(const std::optional<CatalogApp> &app)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_appToQuitFirst == app)
        return;
    m_appToQuitFirst = app;
    Q_EMIT appToQuitFirstChanged();
}

CatalogApp UpdateCoordinator::appToQuitFirstOrEmpty() const
{
    return m_appToQuitFirst.value_or(CatalogApp());
}

QVariantMap UpdateCoordinator::states() const
{
    QVariantMap map;
    for (auto it = m_states.cbegin(); it != m_states.cend(); ++it)
        map.insert(it.key(), QVariant::fromValue(it.value()));
    return map;
}
