#include "service/DiskImageInstall.h"

#include "platform/AtomicPlacement.h"
#include "platform/DesktopEntries.h"
#include "service/DiskImageAttach.h"
#include "service/DmgCache.h"
#include "service/UpdateInstallerError.h"
#include "service/UpdateInstallerLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace {
using Failure = AppInstaller::Failure;
using Kind = Failure::Kind;
using Step = UpdateInstaller::Step;

QString tr(const char *text) { return QCoreApplication::translate("UpdateInstaller", text); }

const QLatin1String appSuffix(".app");

bool isAppName(const QString &name) { return name.size() > appSuffix.size() && name.endsWith(appSuffix); }

// The signing details hold one "Key=value" per line; the team must be a whole line, so that
// another team whose identifier merely starts with ours, or a bundle identifier quoting it,
// does not pass.
bool namesTeam(const QString &details, const QString &team)
{
    const QString wanted = QStringLiteral("TeamIdentifier=") + team;
    const QStringList lines = details.split(QLatin1Char('\n'));
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QString &line) { return line.trimmed() == wanted; });
}
} // namespace

DiskImageInstall::DiskImageInstall(const UpdateInstaller::Options &options,
                                   const UpdateInstaller::Progress &progress)
    : m_options(options), m_progress(progress)
{
}

QString DiskImageInstall::run(const QString &dmg) const
{
    report(Step::verifying());
    const QString mountPoint = mount(dmg);
    const auto detachLater = qScopeGuard([&] { detach(mountPoint); });
    const QString app = appBundle(mountPoint);
    if (app.isEmpty()) {
        forgetCachedImage(dmg);
        throw Failure::of(Kind::NoAppInImage);
    }
    verifySignature(app);
    verifyGatekeeper(app);
    report(Step::installing());
    const QString destination = copyIntoApplications(app);
    report(Step::finished(destination));
    return destination;
}

QString DiskImageInstall::mount(const QString &dmg) const
{
    ToolRunner::Result attached;
    try {
        attached = runTool(m_options.tools.hdiutil,
                           {QStringLiteral("attach"), dmg, QStringLiteral("-nobrowse"),
                            QStringLiteral("-readonly"), QStringLiteral("-noverify"), QStringLiteral("-plist")},
                           false);
    } catch (const Failure &failure) {
        if (failure.kind == Kind::MountFailed)  // the tool ran and refused the image
            forgetCachedImage(dmg);
        throw;
    }
    const std::optional<QString> mountPoint = DiskImageAttach::mountPoint(attached.output);
    if (!mountPoint) {
        forgetCachedImage(dmg);
        throw Failure::of(Kind::MountFailed, attached.output);
    }
    return *mountPoint;
}

// The first entry of the top level, in the order the directory lists it (no sorting), whose
// name ends in ".app"; hidden entries count. Empty when there is none.
QString DiskImageInstall::appBundle(const QString &mountPoint) const
{
    const QDir top(mountPoint);
    const QStringList names = top.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    const auto app = std::find_if(names.begin(), names.end(), isAppName);
    return app == names.end() ? QString() : top.filePath(*app);
}

void DiskImageInstall::verifySignature(const QString &app) const
{
    const ToolRunner::Result verified = runTool(
        m_options.tools.codesign,
        {QStringLiteral("--verify"), QStringLiteral("--deep"), QStringLiteral("--strict"), app}, true);
    if (!verified.succeeded())
        throw Failure::of(Kind::NotSignedByUs, verified.output);

    const ToolRunner::Result details = runTool(m_options.tools.codesign, {QStringLiteral("-dv"), app}, true);
    // The exit status does not matter, but details cut short by a signal or the time limit do.
    if (details.ending != ToolRunner::Result::Ending::Exited
        || !namesTeam(details.output, m_options.teamIdentifier))
        throw Failure::of(Kind::NotSignedByUs, tr("Unexpected developer."));
}

void DiskImageInstall::verifyGatekeeper(const QString &app) const
{
    const ToolRunner::Result assessed = runTool(
        m_options.tools.spctl,
        {QStringLiteral("-a"), QStringLiteral("-vv"), QStringLiteral("-t"), QStringLiteral("exec"), app}, true);
    if (!assessed.succeeded())
        throw Failure::of(Kind::GatekeeperRejected, assessed.output);
}

QString DiskImageInstall::copyIntoApplications(const QString &app) const
{
    const QFileInfo bundle(app);
    if (bundle.isSymLink() || !bundle.isDir())
        throw Failure::of(Kind::CopyFailed, tr("%1 is not a folder.").arg(bundle.fileName()));
    QString destination;
    try {
        destination = AtomicPlacement::place(app, UpdateInstaller::destinationDirectory(m_options.locations));
    } catch (const std::exception &error) {
        throw Failure::of(Kind::CopyFailed, QString::fromUtf8(error.what()));
    }
    clearQuarantine(destination);
    DesktopEntries::registerBundle(m_options.locations, destination);
    qCInfo(lcUpdate, "installed %s", qUtf8Printable(QFileInfo(destination).fileName()));
    return destination;
}

void DiskImageInstall::clearQuarantine(const QString &bundle) const noexcept
{
    try {
        runTool(m_options.tools.xattr, {QStringLiteral("-dr"), QStringLiteral("com.apple.quarantine"), bundle}, true);
    } catch (...) {
        // the app is installed; a leftover attribute only makes the desktop ask once
    }
}

void DiskImageInstall::detach(const QString &mountPoint) const noexcept
{
    try {
        runTool(m_options.tools.hdiutil, {QStringLiteral("detach"), mountPoint, QStringLiteral("-quiet")}, false);
    } catch (...) {
        // ignored: the outcome of the install is already decided
    }
}

// A cached image that cannot be opened or holds no app is of no use: dropping it makes the
// next attempt download it afresh. Images outside the cache are the caller's.
void DiskImageInstall::forgetCachedImage(const QString &dmg) const
{
    if (DmgCache(m_options.locations.updatesFolder()).holds(dmg))
        QFile::remove(dmg);
}

ToolRunner::Result DiskImageInstall::runTool(const QString &tool, const QStringList &arguments,
                                             bool allowFailure) const
{
    ToolRunner::Result result = ToolRunner::run(tool, arguments, m_options.toolTimeout);
    if (result.ending == ToolRunner::Result::Ending::NotStarted)
        throw Failure::other(result.output);
    if (!allowFailure && !result.succeeded())
        throw Failure::of(Kind::MountFailed, result.output);
    return result;
}

void DiskImageInstall::report(const Step &step) const
{
    if (m_progress)
        m_progress(step);
}
