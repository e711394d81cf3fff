#include "service/UpdateInstaller.h"

#include "BuildConfig.h"
#include "platform/DesktopEntries.h"
#include "platform/Destination.h"
#include "platform/Trash.h"
#include "service/BundleInstall.h"
#include "service/DiskImageInstall.h"
#include "service/DmgCache.h"
#include "service/InstallLeftovers.h"
#include "service/KeptCopies.h"
#include "service/RunMarker.h"
#include "service/DmgDownload.h"
#include "service/UpdateInstallerError.h"

#include <QCoroFuture>
#include <QFileInfo>
#include <QThread>
#include <QtConcurrent>

#include <exception>
#include <mutex>

namespace {

using Failure = AppInstaller::Failure;

// The one place where the installer's failures stop being exceptions: the blocking steps below
// throw Failure (or the standard library's errors), and every operation returns an Outcome.
template<typename T, typename Work>
AppInstaller::Outcome<T> capturing(Work &&work)
{
    try {
        return AppInstaller::Outcome<T>(work());
    } catch (const Failure &failure) {
        return failure;
    } catch (const std::exception &error) {
        return Failure::other(QString::fromUtf8(error.what()));
    }
}

// Downloads block their thread for minutes: they get their own threads, so they never hold
// up installs or short jobs on the global pool.
QThreadPool *downloadPool()
{
    static QThreadPool pool;
    static std::once_flag once;
    std::call_once(once, [] {
        pool.setMaxThreadCount(4);
        // Quitting stops running downloads, so the pool's threads end promptly.
        qAddPostRoutine(DmgDownload::abortAll);
    });
    return &pool;
}

QString downloadIntoCache(const DmgDownload &download, const DmgCache &cache, const QUrl &from,
                          const QString &target, const AppInstaller::Progress &progress)
{
    cache.store(download.fetch(from, progress), target);
    cache.prune(target);
    return target;
}

} // namespace

QString AppInstaller::Failure::description() const
{
    switch (kind) {
    case Kind::HttpStatus:
        return tr("Download failed (HTTP %1).").arg(status);
    case Kind::MountFailed:
        return tr("Could not open the disk image. %1").arg(detail);
    case Kind::NotSignedByUs:
        return tr("Refused: the download is not signed by Veltrane. %1").arg(detail);
    case Kind::GatekeeperRejected:
        return tr("Refused by macOS security check. %1").arg(detail);
    case Kind::CopyFailed:
        return tr("Could not install the app. %1").arg(detail);
    case Kind::NoDownloadURL:
        return tr("This app has no download link yet.");
    case Kind::NoAppInImage:
        return tr("The disk image contains no app.");
    case Kind::DifferentApp:
        return tr("The disk image contains a different app.");
    case Kind::Other:
        return detail;
    }
    return detail;
}

UpdateInstaller::Tools UpdateInstaller::Tools::installed()
{
    const QString folder = QString::fromUtf8(BuildConfig::toolDirectory) + QLatin1Char('/');
    return {folder + QStringLiteral("hdiutil"), folder + QStringLiteral("codesign"),
            folder + QStringLiteral("spctl"), folder + QStringLiteral("xattr")};
}

UpdateInstaller::UpdateInstaller() : UpdateInstaller(Options()) {}

UpdateInstaller::UpdateInstaller(Options options) : m_options(std::move(options))
{
    // An empty team would match any "TeamIdentifier=" line.
    if (m_options.teamIdentifier.isEmpty())
        m_options.teamIdentifier = QString::fromUtf8(BuildConfig::teamIdentifier);
    // Installs mostly wait on child processes: enough threads that installs of different apps
    // run side by side.
    m_installPool.setMaxThreadCount(8);
    m_installPool.setThreadPriority(QThread::HighPriority);
}

UpdateInstaller::~UpdateInstaller()
{
    // An install that has started putting its app in place is let finish.
    m_installPool.waitForDone();
}

QString UpdateInstaller::cacheDirectory() const { return DmgCache(m_options.locations.updatesFolder()).folder(); }

QString UpdateInstaller::cachedDMG(const QString &appID, const QString &version) const
{
    return DmgCache(m_options.locations.updatesFolder()).imageFor(appID, version);
}

QString UpdateInstaller::destinationDirectory(const Locations &locations)
{
    return ::destinationDirectory(locations.systemApplications, locations.home);
}

bool UpdateInstaller::hasCachedImage(const CatalogApp &app) const
{
    const QString image = cachedDMG(app.id, app.version);
    return !image.isEmpty() && QFileInfo::exists(image);
}

// The coroutines here copy what they need before their first suspension and never touch the
// installer after it: the caller may be gone by then. They await named futures: g++ 12 may
// destroy the temporaries of a co_await expression twice.
QCoro::Task<AppInstaller::Outcome<QString>> UpdateInstaller::download(CatalogApp app, Progress progress)
{
    if (!app.downloadURL)
        co_return Failure::of(Failure::Kind::NoDownloadURL);
    const DmgCache cache(m_options.locations.updatesFolder());
    const QString target = cache.imageFor(app.id, app.version);
    if (target.isEmpty())
        co_return InstallerErrors::unusableName();
    if (QFileInfo::exists(target))
        co_return target;
    const DmgDownload fetch(m_options.locations.tempDir, m_options.extraCaFile);
    QFuture<Outcome<QString>> fetched = QtConcurrent::run(downloadPool(), [=, url = *app.downloadURL] {
        return capturing<QString>([&] { return downloadIntoCache(fetch, cache, url, target, progress); });
    });
    co_return co_await fetched;
}

QCoro::Task<AppInstaller::Outcome<QString>> UpdateInstaller::install(CatalogApp app, QString image, Progress progress)
{
    if (image.isEmpty())  // what cachedDMG gives for an unusable id or version
        co_return InstallerErrors::unusableName();
    QFuture<Outcome<QString>> installed = QtConcurrent::run(&m_installPool, [options = m_options, app, image, progress] {
        return capturing<QString>([&] { return DiskImageInstall(options, progress).run(app, image); });
    });
    co_return co_await installed;
}

QCoro::Task<AppInstaller::Outcome<>> UpdateInstaller::uninstall(QString bundleID, QString location)
{
    QFuture<Outcome<>> moved = QtConcurrent::run(&m_installPool, [locations = m_options.locations, bundleID, location] {
        const Trash::Result trashed = Trash(locations.dataHome).moveToTrash(location);
        if (!trashed.ok())
            return Outcome<>(Failure::other(trashed.error));
        // The desktop's menus stop offering the app; a copy elsewhere keeps its own entry.
        DesktopEntries::unregisterBundle(locations, bundleID, location);
        KeptCopies(locations).remove(bundleID, RunMarker::current().text());
        return Outcome<>(Done());
    });
    co_return co_await moved;
}

std::optional<QString> UpdateInstaller::keptVersion(const CatalogApp &app) const
{
    return app.bundleID ? KeptCopies(m_options.locations).version(*app.bundleID) : std::nullopt;
}

QCoro::Task<AppInstaller::Outcome<QString>> UpdateInstaller::goBack(CatalogApp app)
{
    QFuture<Outcome<QString>> restored = QtConcurrent::run(&m_installPool, [options = m_options, app] {
        return capturing<QString>([&] {
            const KeptCopies kept(options.locations);
            const std::optional<QString> bundle = app.bundleID ? kept.bundle(*app.bundleID) : std::nullopt;
            if (!bundle)
                throw InstallerErrors::nothingKept();
            const QString installed = BundleInstall(options).run({.bundle = *bundle,
                                                                 .bundleID = app.bundleID,
                                                                 .details = {app.categoryID, app.tagline},
                                                                 .goingBack = true,
                                                                 .onRefused = {}});
            kept.remove(*app.bundleID, RunMarker::current().text());
            return installed;
        });
    });
    co_return co_await restored;
}

QCoro::Task<> UpdateInstaller::sweepInstallLeftovers(Options options)
{
    QFuture<void> swept = QtConcurrent::run([options] {
        InstallLeftovers::sweep(options.locations, options.tools.hdiutil, options.toolTimeout);
    });
    co_await swept;
}
