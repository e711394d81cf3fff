#include "service/BundleInstall.h"

#include "platform/AtomicPlacement.h"
#include "platform/BundleInfo.h"
#include "platform/DesktopEntries.h"
#include "service/BundleChecks.h"
#include "service/InstalledApps.h"
#include "service/KeptCopies.h"
#include "service/RunMarker.h"
#include "service/UpdateInstallerLog.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <sys/stat.h>

namespace {
using Failure = AppInstaller::Failure;
using Kind = Failure::Kind;
using Step = UpdateInstaller::Step;

bool exists(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}
} // namespace

BundleInstall::BundleInstall(const UpdateInstaller::Options &options, UpdateInstaller::Progress progress)
    : m_options(options), m_progress(std::move(progress))
{
}

QString BundleInstall::run(const Request &request) const
{
    const QFileInfo source(request.bundle);
    if (source.isSymLink() || !source.isDir())
        throw Failure::of(Kind::CopyFailed, QCoreApplication::translate("UpdateInstaller", "%1 is not a folder.").arg(source.fileName()));
    const QString folder = UpdateInstaller::destinationDirectory(m_options.locations);
    const auto refused = [&](const Failure &failure) {
        if (request.onRefused)
            request.onRefused();
        return failure;
    };
    try {
        AtomicPlacement placement(folder, source.fileName(), RunMarker::current().text());
        placement.stage(request.bundle);
        const BundleChecks checks(m_options, QFileInfo(placement.staged()).path());
        if (const auto refusal = checks.check(placement.staged()))
            throw refused(refusal->failure);
        // Read only now: the seal has vouched for the Info.plist, and links inside the bundle.
        const BundleInfo info = BundleInfo::read(placement.staged()).value_or(BundleInfo());
        const QString identifier = info.identifier.value_or(QString());
        const QString version = info.shortVersion.value_or(QString());
        if (request.bundleID && identifier != *request.bundleID)
            throw refused(Failure::of(Kind::DifferentApp));
        requireReplaceable(placement.destination(), identifier, version, request.goingBack);

        report(Step::installing());
        placement.commit();
        if (!placement.replaced().isEmpty() && request.bundleID && !request.goingBack)
            keepReplaced(placement.replaced(), *request.bundleID, version);
        const QString destination = placement.destination();
        checks.clearQuarantine(destination);
        // A missing entry is written again when the installed apps are next looked up.
        if (!DesktopEntries::registerBundle(m_options.locations, destination, request.details))
            qCWarning(lcUpdate, "could not add %s to the menus", qUtf8Printable(source.fileName()));
        qCInfo(lcUpdate, "installed %s", qUtf8Printable(source.fileName()));
        return destination;
    } catch (const std::runtime_error &error) {  // from the placement: names the folder, not ours
        throw Failure::of(Kind::CopyFailed, QString::fromStdString(error.what()));
    }
}

// The copy at the destination must be this app, and not a newer version of it.
void BundleInstall::requireReplaceable(const QString &destination, const QString &identifier,
                                       const QString &version, bool goingBack) const
{
    if (!exists(destination))
        return;
    const std::optional<BundleInfo> installed = BundleInfo::read(destination);
    const QFileInfo place(destination);
    if (!installed || installed->identifier != identifier)
        throw Failure::of(Kind::CopyFailed,
                          QCoreApplication::translate("UpdateInstaller", "%1 already holds another app named “%2”.").arg(place.path(), place.fileName()));
    const QString installedVersion = installed->shortVersion.value_or(QString());
    if (!goingBack && InstalledApps::compareVersions(installedVersion, version) > 0)
        throw Failure::of(Kind::CopyFailed, QCoreApplication::translate("UpdateInstaller", "A newer version (%1) is already installed.").arg(installedVersion));
}

// Reinstalling the same version keeps whatever was kept before.
void BundleInstall::keepReplaced(const QString &replaced, const QString &bundleID, const QString &version) const
{
    const std::optional<BundleInfo> old = BundleInfo::read(replaced);
    if (old && old->shortVersion && *old->shortVersion != version)
        KeptCopies(m_options.locations).keep(bundleID, replaced, RunMarker::current().text());
}

void BundleInstall::report(const Step &step) const
{
    if (m_progress)
        m_progress(step);
}
