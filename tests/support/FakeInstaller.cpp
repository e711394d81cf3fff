#include "FakeInstaller.h"

#include <QCoroSignal>
#include <QCoroTimer>

#include <thread>

// Like the real installer, answer from the event loop, after the progress reports posted so far.
static QCoro::Task<> settle() { return QCoro::sleepFor(std::chrono::milliseconds(0)); }

void FakeInstaller::release(const QString &appID)
{
    held.remove(appID);
    Q_EMIT released(appID);
}

void FakeInstaller::report(const Progress &progress, const Step &step) const
{
    if (reportFromAnotherThread)
        std::thread([&] { progress(step); }).join();
    else
        progress(step);
}

QCoro::Task<AppInstaller::Outcome<QString>> FakeInstaller::download(CatalogApp app, Progress progress)
{
    return fetch(app, progress, app.id);
}

QCoro::Task<AppInstaller::Outcome<QString>> FakeInstaller::prefetch(CatalogApp app, Progress progress)
{
    return fetch(app, progress, app.id + QStringLiteral(" prefetch"));
}

// Reports half of a 1,000-byte image (in reportsPerDownload steps), waits while held, then
// reports the whole of it.
QCoro::Task<AppInstaller::Outcome<QString>> FakeInstaller::fetch(CatalogApp app, Progress progress, QString asked)
{
    downloads.append(asked);
    progressOf.insert(app.id, progress);
    if (cached.contains(app.id))
        co_return imageOf(app);
    cancelled.remove(app.id);
    for (int i = 1; i <= reportsPerDownload; ++i)
        report(progress, Step::downloading(0.5, 500 * i / reportsPerDownload, 1000));
    co_await settle();
    while (held.contains(app.id) && !cancelled.contains(app.id))
        co_await qCoro(this, &FakeInstaller::released);
    if (cancelled.contains(app.id))
        co_return Failure::of(Failure::Kind::Cancelled);
    if (downloadFailures.contains(app.id))
        co_return downloadFailures.value(app.id);
    report(progress, Step::downloading(1.0, 1000, 1000));
    co_await settle();
    cached.insert(app.id);
    co_return imageOf(app);
}

void FakeInstaller::cancelDownloads(const QString &appID)
{
    cancelled.insert(appID);
    Q_EMIT released(appID);
}

void FakeInstaller::cancelAllDownloads()
{
    for (const QString &appID : std::as_const(held))
        cancelDownloads(appID);
}

QCoro::Task<> FakeInstaller::discardImages(QString appID)
{
    discarded.append(appID);
    cached.remove(appID);
    co_return;
}

QCoro::Task<AppInstaller::Outcome<QString>> FakeInstaller::install(CatalogApp app, QString image, Progress progress)
{
    installs.append(app.id + QLatin1Char(' ') + image);
    report(progress, Step::verifying());
    co_await settle();
    if (installFailures.contains(app.id))
        co_return installFailures.value(app.id);
    report(progress, Step::installing());
    report(progress, Step::finished(bundleOf(app)));
    co_await settle();
    co_return bundleOf(app);
}

QCoro::Task<AppInstaller::Outcome<>> FakeInstaller::uninstall(QString bundleID, QString location)
{
    uninstalls.append(bundleID + QLatin1Char(' ') + location);
    co_await settle();
    if (uninstallFailure)
        co_return *uninstallFailure;
    co_return Done();
}

std::optional<QString> FakeInstaller::keptVersion(const CatalogApp &app) const
{
    return kept.contains(app.id) ? std::optional<QString>(kept.value(app.id)) : std::nullopt;
}

QCoro::Task<AppInstaller::Outcome<QString>> FakeInstaller::goBack(CatalogApp app)
{
    goneBack.append(app.id);
    co_await settle();
    if (installFailures.contains(app.id))
        co_return installFailures.value(app.id);
    kept.remove(app.id);
    co_return bundleOf(app);
}
