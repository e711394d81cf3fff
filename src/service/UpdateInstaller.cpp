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
#include "service/DmgFailures.h"
#include "service/DmgPartial.h"
#include "service/DmgTransfers.h"
#include "service/UpdateInstallerError.h"

#include <QCoroFuture>
#include <QFileInfo>
#include <QThread>
#include <QtConcurrent>

#include <exception>

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

DmgDownload::Settings downloadSettings(const UpdateInstaller::Options &options)
{
    return {options.extraCaFile, {options.downloadCap, options.freeSpaceMargin}, options.stallTimeout};
}

// Runs on a download thread: the image, checked when it is cached already, or downloaded (and
// continued from what an earlier attempt left) into the cache.
QString fetchIntoCache(const DmgDownload::Settings &settings, const DmgCache &cache, const QString &target,
                       const DmgDownload::Request &request, DmgCancel &cancel, const AppInstaller::Progress &progress)
{
    if (cancel.isCancelled() || DmgDownload::isAborting())
        throw DmgFailures::cancelled();
    if (QFileInfo::exists(target)) {
        DmgCache::verify(target, request.pin, request.appName);
        return target;
    }
    DmgPartial partial(target, request.url.toEncoded(), request.appName);
    const qint64 length = DmgDownload(settings).fetch(request, partial, cancel, progress);
    partial.commit(length);
    if (request.pin.pinsAnything())
        DmgCache::rememberVerified(target, request.pin);
    if (progress)
        progress(AppInstaller::Step::downloading(1.0, length, length));
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
    case Kind::Cancelled:
        return tr("The download was stopped.");
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
    return !image.isEmpty() && QFileInfo::exists(image) && DmgCache::isKnownGood(image, ImagePin::of(app));
}

// The coroutines here copy what they need before their first suspension and never touch the
// installer after it: the caller may be gone by then. They await named futures: g++ 12 may
// destroy the temporaries of a co_await expression twice.
QCoro::Task<AppInstaller::Outcome<QString>> UpdateInstaller::download(CatalogApp app, Progress progress)
{
    const ImagePin pin = ImagePin::of(app);
    QCoro::Task<Outcome<QString>> fetching = fetch(std::move(app), pin, true, std::move(progress));
    co_return co_await fetching;
}

QCoro::Task<AppInstaller::Outcome<QString>> UpdateInstaller::prefetch(CatalogApp app, Progress progress)
{
    const ImagePin pin = ImagePin::of(app);
    QCoro::Task<Outcome<QString>> fetching = fetch(std::move(app), pin, false, std::move(progress));
    co_return co_await fetching;
}

QCoro::Task<AppInstaller::Outcome<QString>> UpdateInstaller::fetch(CatalogApp app, ImagePin pin, bool urgent,
                                                                     Progress progress)
{
    if (!app.downloadURL)
        co_return Failure::of(Failure::Kind::NoDownloadURL);
    const DmgCache cache(m_options.locations.updatesFolder());
    const QString target = cache.imageFor(app.id, app.version);
    if (target.isEmpty())
        co_return InstallerErrors::unusableName();
    // Checking a pinned image reads all of it: only one known to match is taken here.
    if (QFileInfo::exists(target) && DmgCache::isKnownGood(target, pin))
        co_return target;
    const DmgDownload::Settings settings = downloadSettings(m_options);
    const DmgDownload::Request request{*app.downloadURL, pin, app.name};
    QFuture<Outcome<QString>> fetched = DmgTransfers::instance().run(
        app.id, target, urgent, std::move(progress),
        [settings, cache, target, request](DmgCancel &cancel, const Progress &report) {
            return capturing<QString>([&] { return fetchIntoCache(settings, cache, target, request, cancel, report); });
        });
    co_return co_await fetched;
}

void UpdateInstaller::cancelDownloads(const QString &appID) { DmgTransfers::instance().cancel(appID); }

void UpdateInstaller::cancelAllDownloads() { DmgTransfers::instance().cancelAll(); }

QCoro::Task<> UpdateInstaller::discardImages(QString appID)
{
    const DmgCache cache(m_options.locations.updatesFolder());
    DmgTransfers::instance().cancel(appID);
    // Its downloads end first, so none puts an image back afterwards.
    const QList<QFuture<Outcome<QString>>> running = DmgTransfers::instance().running(appID);
    for (QFuture<Outcome<QString>> transfer : running)
        co_await transfer;
    QFuture<void> removed = QtConcurrent::run([cache, appID] { cache.removeApp(appID); });
    co_await removed;
}

QCoro::Task<> UpdateInstaller::pruneImages(QList<CatalogApp> catalogue)
{
    const DmgCache cache(m_options.locations.updatesFolder());
    QFuture<void> pruned = QtConcurrent::run([cache, catalogue] { cache.pruneOlder(catalogue); });
    co_await pruned;
}

QCoro::Task<> UpdateInstaller::sweepDownloadLeftovers(Locations locations)
{
    QFuture<void> swept = QtConcurrent::run([locations] { DmgCache(locations.updatesFolder()).sweepLeftovers(); });
    co_await swept;
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
