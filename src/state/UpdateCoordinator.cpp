#include "state/UpdateCoordinator.h"

#include <QCoreApplication>
#include <QPointer>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

using Outcome = AppInstaller::Outcome<QString>;
using Failure = AppInstaller::Failure;

UpdateCoordinator::UpdateCoordinator(std::shared_ptr<AppInstaller> installer, DesktopServices services,
                                     std::shared_ptr<const InstalledApps> installedApps, QObject *parent)
    : QObject(parent),
      m_installer(std::move(installer)),
      m_services(std::move(services)),
      m_installedApps(std::move(installedApps))
{
    m_clock.start();
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
    // A second install of the same app would race the first to put it in place.
    if (m_installing.contains(app.id))
        return;
    beginOperation(app);
    setState(app.id, State::installing());
    setInstalling(app.id, true);
    runInstall(app);
}

// The state a cancel goes back to: the one before the first of the app's operations in flight.
void UpdateCoordinator::beginOperation(const CatalogApp &app)
{
    if (!m_running.contains(app.id) && !m_installing.contains(app.id))
        m_stateBefore.insert(app.id, state(app));
}

void UpdateCoordinator::restoreState(const QString &appID)
{
    setState(appID, m_stateBefore.value(appID, State::idle()));
}

void UpdateCoordinator::setInstalling(const QString &appID, bool installing)
{
    const bool changed = m_installing.contains(appID) != installing;
    if (installing)
        m_installing.insert(appID);
    else
        m_installing.remove(appID);
    if (changed)
        Q_EMIT activityChanged(appID);
}

// The coroutines below hold the installer while they wait, check that the coordinator still
// exists after every co_await, and await named tasks: g++ 12 may destroy the temporaries of a
// co_await expression twice.
QCoro::Task<> UpdateCoordinator::runInstall(CatalogApp app)
{
    const QPointer<UpdateCoordinator> self(this);
    const std::shared_ptr<AppInstaller> installer = m_installer;
    const auto reporting = std::make_shared<bool>(true);
    const auto closeReports = qScopeGuard([reporting] { *reporting = false; });
    const AppInstaller::Progress progress = progressReporter(app.id, reporting);
    // The cached image of this version, else a download (joining a pre-download of it).
    m_installFetches.insert(app.id);
    QCoro::Task<Outcome> fetching = installer->download(app, progress);
    const Outcome image = co_await fetching;
    if (!self)
        co_return;
    m_installFetches.remove(app.id);
    if (!isFetching(app.id))
        endTransfer(app.id);
    if (!image.ok() && image.failure().kind == Failure::Kind::Cancelled) {
        setInstalling(app.id, false);
        restoreState(app.id);
        co_return;
    }
    if (!image.ok()) {
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
    setInstalling(app.id, false);
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
        updateTransfer(appID, step);
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
        // An app being installed gets its image from the install, and keeps its state.
        if (m_running.contains(app.id) || !app.downloadURL || m_installing.contains(app.id))
            continue;
        if (m_installer->hasCachedImage(app)) {
            setState(app.id, State::ready());
            continue;
        }
        beginOperation(app);
        m_running.insert(app.id);
        setState(app.id, State::downloading(0));
        Q_EMIT activityChanged(app.id);
        runPrefetch(app);
    }
}

QCoro::Task<> UpdateCoordinator::runPrefetch(CatalogApp app)
{
    const QPointer<UpdateCoordinator> self(this);
    const std::shared_ptr<AppInstaller> installer = m_installer;
    const auto reporting = std::make_shared<bool>(true);
    const auto closeReports = qScopeGuard([reporting] { *reporting = false; });
    QCoro::Task<Outcome> fetching = installer->prefetch(app, progressReporter(app.id, reporting));
    const Outcome image = co_await fetching;
    if (!self)
        co_return;
    m_running.remove(app.id);
    if (!isFetching(app.id))
        endTransfer(app.id);
    Q_EMIT activityChanged(app.id);
    // Only over its own state: an install or uninstall that came meanwhile has the last word.
    if (state(app).kind != State::Kind::Downloading)
        co_return;
    if (image.ok())
        setState(app.id, State::ready());
    else if (image.failure().kind == Failure::Kind::Cancelled)
        restoreState(app.id);
    else
        setState(app.id, State::failed(image.failure().description()));
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
    m_uninstalling.insert(appID);
    Q_EMIT activityChanged(appID);
    QCoro::Task<AppInstaller::Outcome<>> moving = installer->uninstall(bundleID, location);
    const AppInstaller::Outcome<> moved = co_await moving;
    if (!self)
        co_return;
    m_uninstalling.remove(appID);
    Q_EMIT activityChanged(appID);
    if (!moved.ok()) {
        setState(appID, State::failed(moved.failure().description()));
        co_return;
    }
    setState(appID, State::idle());
    if (m_onInstalled)
        m_onInstalled(std::nullopt);
    // Its images would only wait for an install that may never come.
    QCoro::Task<> discarding = installer->discardImages(appID);
    co_await discarding;
}

void UpdateCoordinator::goBack(const CatalogApp &app)
{
    if (isRunning(app)) {
        setAppToQuitFirst(app);
        return;
    }
    if (isBusy(app))
        return;
    // Busy like an install: Open, Uninstall and another install wait for it.
    setInstalling(app.id, true);
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

void UpdateCoordinator::cancel(const CatalogApp &app)
{
    if (isFetching(app.id))
        m_installer->cancelDownloads(app.id);
}

void UpdateCoordinator::cancelAll()
{
    m_installer->cancelAllDownloads();
}

bool UpdateCoordinator::isBusy(const CatalogApp &app) const
{
    return m_installing.contains(app.id) || m_uninstalling.contains(app.id);
}

bool UpdateCoordinator::isPrefetching(const CatalogApp &app) const
{
    return m_running.contains(app.id) && !m_installing.contains(app.id);
}

bool UpdateCoordinator::isFetching(const QString &appID) const
{
    return m_running.contains(appID) || m_installFetches.contains(appID);
}

UpdateCoordinator::Transfer UpdateCoordinator::transfer(const QString &appID) const
{
    return m_transfers.value(appID);
}

void UpdateCoordinator::catalogueLoaded(const QList<CatalogApp> &apps)
{
    m_installer->pruneImages(apps);
}

// Records reach the views at most every transferIntervalMs; the latest waits for its turn.
void UpdateCoordinator::updateTransfer(const QString &appID, const AppInstaller::Step &step)
{
    if (!isFetching(appID))  // a late report of a transfer that has ended
        return;
    TransferTrack &track = m_tracks[appID];
    track.latest = track.meter.add(m_clock.elapsed(), step.received, step.total);
    if (!track.sincePublished.isValid() || track.sincePublished.elapsed() >= transferIntervalMs) {
        publishTransfer(appID);
        return;
    }
    if (track.pending)
        return;
    track.pending = true;
    QTimer::singleShot(transferIntervalMs - track.sincePublished.elapsed(), this, [this, appID] {
        if (m_tracks.contains(appID) && m_tracks[appID].pending)
            publishTransfer(appID);
    });
}

void UpdateCoordinator::publishTransfer(const QString &appID)
{
    TransferTrack &track = m_tracks[appID];
    track.pending = false;
    track.sincePublished.start();
    m_transfers.insert(appID, track.latest);
    Q_EMIT transferChanged(appID);
}

// The last record is shown before the record goes, so a finished download ends at its total.
void UpdateCoordinator::endTransfer(const QString &appID)
{
    const auto track = m_tracks.constFind(appID);
    if (track == m_tracks.cend())
        return;
    if (track->pending)
        publishTransfer(appID);
    m_tracks.remove(appID);
    m_transfers.remove(appID);
    Q_EMIT transferChanged(appID);
}

void UpdateCoordinator::openApp(const QString &bundlePath)
{
    if (!bundlePath.isEmpty())
        m_services.launcher->open(bundlePath);
}

AppInstaller::Progress UpdateCoordinator::progressReporter(const QString &appID, std::shared_ptr<const bool> open)
{
    // Called on the installer's threads, possibly after the coordinator is gone (a download
    // still running while the program quits). Each report reaches the window's thread as its
    // own event, through the application object, and acts only while the coordinator exists.
    return [self = QPointer<UpdateCoordinator>(this), appID, open](const AppInstaller::Step &step) {
        QCoreApplication *application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [self, step, appID, open] {
                if (self && *open)
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
