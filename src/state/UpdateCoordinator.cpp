#include "state/UpdateCoordinator.h"

#include "platform/DesktopEntries.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>

namespace {

// What a background job hands back to the window's thread: a path, or the text of its
// failure. Failures never cross threads as exceptions.
struct Outcome {
    QString value;
    std::optional<QString> error;
};

QString unknownFailure()
{
    return UpdateCoordinator::tr("The operation failed for an unknown reason.");
}

template<typename Work>
Outcome catchingFailures(Work &&work)
{
    try {
        return {work(), std::nullopt};
    } catch (const UpdateInstaller::Error &error) {
        return {{}, error.description()};
    } catch (const std::exception &error) {
        return {{}, QString::fromLocal8Bit(error.what())};
    } catch (...) {
        return {{}, unknownFailure()};
    }
}

// The coroutines in this file await named tasks and futures: g++ 12 may destroy the
// temporaries of a co_await expression twice.

QCoro::Task<Outcome> fetch(UpdateInstaller installer, CatalogApp app, UpdateInstaller::Progress progress)
{
    try {
        QCoro::Task<QString> download = installer.fetchDMG(app.id, app.version, *app.downloadURL, progress);
        QString image = co_await download;
        co_return Outcome{std::move(image), std::nullopt};
    } catch (const UpdateInstaller::Error &error) {
        co_return Outcome{{}, error.description()};
    } catch (const std::exception &error) {
        co_return Outcome{{}, QString::fromLocal8Bit(error.what())};
    } catch (...) {
        co_return Outcome{{}, unknownFailure()};
    }
}

// The image to install: the cached one of this version, else a fresh download.
QCoro::Task<Outcome> imageFor(UpdateInstaller installer, CatalogApp app, UpdateInstaller::Progress progress)
{
    const QString cached = installer.cachedDMG(app.id, app.version);
    if (!cached.isEmpty() && QFileInfo::exists(cached))
        co_return Outcome{cached, std::nullopt};
    QCoro::Task<Outcome> download = fetch(std::move(installer), std::move(app), std::move(progress));
    co_return co_await download;
}

} // namespace

UpdateCoordinator::UpdateCoordinator(UpdateInstaller installer, DesktopServices services, QObject *parent)
    : QObject(parent),
      m_installer(std::move(installer)),
      m_services(std::move(services)),
      m_installedApps(m_installer.options().locations)
{
    // Installs mostly wait on child processes: enough threads that installs of different
    // apps run side by side. Downloads run on the installer's own threads.
    m_installPool.setMaxThreadCount(8);
    m_installPool.setThreadPriority(QThread::HighPriority);
}

UpdateCoordinator::UpdateCoordinator(QObject *parent)
    : UpdateCoordinator(UpdateInstaller(), DesktopServices::forUser(Locations::fromEnvironment()), parent)
{
}

UpdateCoordinator::~UpdateCoordinator()
{
    // Nothing is cancelled: an install that has started copying is let finish. Downloads are
    // not waited for; their results find the coordinator gone.
    m_installPool.waitForDone();
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
        const UpdateInstaller::Failure noLink{UpdateInstaller::Failure::Kind::NoDownloadURL, 0, {}};
        setState(app.id, State::failed(noLink.description()));
        return;
    }
    setState(app.id, State::installing());
    runInstall(app);
}

QCoro::Task<> UpdateCoordinator::runInstall(CatalogApp app)
{
    const QPointer<UpdateCoordinator> self(this);
    const UpdateInstaller::Progress progress = progressReporter(app.id);
    QCoro::Task<Outcome> image = imageFor(m_installer, app, progress);
    Outcome outcome = co_await image;
    if (!self)
        co_return;
    if (!outcome.error) {
        QFuture<Outcome> install = QtConcurrent::run(
            &m_installPool, [installer = m_installer, image = outcome.value, progress] {
                return catchingFailures([&] { return installer.install(image, progress); });
            });
        outcome = co_await install;
        if (!self)
            co_return;
    }
    if (outcome.error) {
        setState(app.id, State::failed(*outcome.error));
        co_return;
    }
    setState(app.id, State::installed(outcome.value));
    if (m_onInstalled) {
        if (app.bundleID)
            m_onInstalled(std::make_pair(*app.bundleID, outcome.value));
        else
            m_onInstalled(std::nullopt);
    }
}

void UpdateCoordinator::apply(const UpdateInstaller::Step &step, const QString &appID)
{
    using Kind = UpdateInstaller::Step::Kind;
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
        if (QFileInfo::exists(m_installer.cachedDMG(app.id, app.version))) {
            setState(app.id, State::ready());
            continue;
        }
        m_running.insert(app.id);
        setState(app.id, State::downloading(0));
        runPrefetch(app);
    }
}

QCoro::Task<> UpdateCoordinator::runPrefetch(CatalogApp app)
{
    const QPointer<UpdateCoordinator> self(this);
    QCoro::Task<Outcome> download = fetch(m_installer, app, progressReporter(app.id));
    const Outcome outcome = co_await download;
    if (!self)
        co_return;
    m_running.remove(app.id);
    setState(app.id, outcome.error ? State::failed(*outcome.error) : State::ready());
}

void UpdateCoordinator::uninstall(const CatalogApp &app)
{
    if (!app.bundleID)
        return;
    const std::optional<InstalledApp> installed = m_installedApps.find(*app.bundleID);
    if (!installed)
        return;
    if (isRunning(app)) {
        setAppToQuitFirst(app);
        return;
    }
    moveToTrash(app.id, *app.bundleID, installed->location);
}

QCoro::Task<> UpdateCoordinator::moveToTrash(QString appID, QString bundleID, QString location)
{
    const QPointer<UpdateCoordinator> self(this);
    QFuture<Trash::Result> job = QtConcurrent::run(
        &m_installPool, [trash = m_services.trash, locations = m_installer.options().locations, bundleID, location] {
            Trash::Result result = trash->moveToTrash(location);
            // The desktop's menus stop offering the app; a copy elsewhere keeps its own entry.
            if (result.ok())
                DesktopEntries::unregisterBundle(locations, bundleID, location);
            return result;
        });
    const Trash::Result result = co_await job;
    if (!self)
        co_return;
    if (!result.ok()) {
        setState(appID, State::failed(result.error));
        co_return;
    }
    setState(appID, State::idle());
    if (m_onInstalled)
        m_onInstalled(std::nullopt);
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

UpdateInstaller::Progress UpdateCoordinator::progressReporter(const QString &appID)
{
    // Called on the installer's threads, possibly after the coordinator is gone (a download
    // still running while the program quits). Each report reaches the window's thread as its
    // own event, through the application object, and acts only while the coordinator exists.
    return [self = QPointer<UpdateCoordinator>(this), appID](const UpdateInstaller::Step &step) {
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
