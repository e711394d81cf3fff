#include "service/UpdateInstaller.h"

#include "BuildConfig.h"
#include "platform/Destination.h"
#include "service/DiskImageInstall.h"
#include "service/DmgCache.h"
#include "service/DmgDownload.h"
#include "service/UpdateInstallerError.h"

#include <QCoroFuture>
#include <QFileInfo>
#include <QThreadPool>
#include <QtConcurrent>

#include <mutex>

namespace {
// What a download on the worker thread hands back.
struct FetchOutcome {
    QString image;
    std::optional<UpdateInstaller::Error> error;
};

// Downloads block their thread for minutes: they get their own threads, so they never hold
// up short jobs on the global pool.
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

FetchOutcome downloadIntoCache(const DmgDownload &download, const DmgCache &cache, const QUrl &from,
                               const QString &target, const UpdateInstaller::Progress &progress)
{
    try {
        cache.store(download.fetch(from, progress), target);
        cache.prune(target);
        return {target, std::nullopt};
    } catch (const UpdateInstaller::Error &error) {
        return {{}, error};
    } catch (const std::exception &error) {
        return {{}, UpdateInstaller::Error::other(QString::fromUtf8(error.what()))};
    }
}
} // namespace

QString UpdateInstaller::Failure::description() const
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
    }
    return {};
}

UpdateInstaller::Error::Error(Failure failure)
    : m_failure(failure), m_description(failure.description()), m_what(m_description.toUtf8())
{
}

UpdateInstaller::Error UpdateInstaller::Error::other(QString description)
{
    Error error;
    error.m_description = std::move(description);
    error.m_what = error.m_description.toUtf8();
    return error;
}

const char *UpdateInstaller::Error::what() const noexcept { return m_what.constData(); }

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

QCoro::Task<QString> UpdateInstaller::fetchDMG(QString appID, QString version, QUrl from,
                                               Progress progress) const
{
    // Everything is copied before the first suspension: the installer may be gone by then.
    const DmgCache cache(m_options.locations.updatesFolder());
    const QString target = cache.imageFor(appID, version);
    if (target.isEmpty())
        throw InstallerErrors::unusableName();
    if (QFileInfo::exists(target))
        co_return target;
    const DmgDownload download(m_options.locations.tempDir, m_options.extraCaFile);
    // Named, not a temporary inside the co_await: g++ 12 destroys such temporaries twice.
    QFuture<FetchOutcome> fetched =
        QtConcurrent::run(downloadPool(), &downloadIntoCache, download, cache, from, target, progress);
    const FetchOutcome outcome = co_await fetched;
    if (outcome.error)
        throw *outcome.error;
    co_return outcome.image;
}

QString UpdateInstaller::install(const QString &dmg, const Progress &progress) const
{
    if (dmg.isEmpty())  // what cachedDMG gives for an unusable id or version
        throw InstallerErrors::unusableName();
    return DiskImageInstall(m_options, progress).run(dmg);
}
