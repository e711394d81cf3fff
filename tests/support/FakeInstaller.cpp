#include "FakeInstaller.h"

#include <QCoroSignal>
#include <QCoroTimer>
#include <QTimer>

#include <thread>

namespace {
// Like the real installer, answer from the event loop, after the progress reports posted so far.
QCoro::Task<> settle()
{
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(0);
    co_await timer;
}
} // namespace

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
    downloads.append(app.id);
    if (cached.contains(app.id))
        co_return imageOf(app);
    report(progress, Step::downloading(0.5));
    co_await settle();
    while (held.contains(app.id))
        co_await qCoro(this, &FakeInstaller::released);
    if (downloadFailures.contains(app.id))
        co_return downloadFailures.value(app.id);
    report(progress, Step::downloading(1.0));
    co_await settle();
    cached.insert(app.id);
    co_return imageOf(app);
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
