#include "service/InstallLeftovers.h"

#include "platform/FolderNames.h"
#include "platform/Locations.h"
#include "platform/StagingFolder.h"
#include "platform/ToolRunner.h"
#include "service/KeptCopies.h"
#include "service/RunMarker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isAbandoned(const QByteArray &marker)
{
    const RunMarker run = RunMarker::parse(marker);
    return !run.isEmpty() && !run.isRunning();
}

QByteArray readSmall(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

// The run named on the "owner" line of an attach record; nothing for records without one.
QByteArray ownerOf(const QString &area)
{
    const QList<QByteArray> lines = readSmall(area + QStringLiteral("/attach-record")).split('\n');
    if (lines.value(0) != "veltrane-hdiutil-attach 2")
        return {};
    for (const QByteArray &line : lines) {
        if (line.startsWith("owner "))
            return line.mid(6);
    }
    return {};
}

// The squashfuse daemons of this user serving the volume.
void stopDaemonsOf(const QString &volume)
{
    const QByteArray wanted = QFile::encodeName(volume);
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        struct stat st {};
        bool numeric = false;
        const pid_t id = pid.toInt(&numeric);
        if (!numeric || ::stat(QFile::encodeName(QStringLiteral("/proc/") + pid).constData(), &st) != 0
            || st.st_uid != ::getuid())
            continue;
        const QList<QByteArray> arguments = readSmall(QStringLiteral("/proc/%1/cmdline").arg(pid)).split('\0');
        if (QFileInfo(QFile::decodeName(arguments.value(0))).fileName() == QLatin1String("squashfuse")
            && arguments.contains(wanted))
            ::kill(id, SIGTERM);
    }
}

void detachAbandonedImages(const QString &hdiutil, std::chrono::milliseconds timeout)
{
    const QDir base(InstallLeftovers::mountAreaBase());
    const QStringList areas = FolderNames::matching(
        base.path(), QDir::Dirs | QDir::NoSymLinks | QDir::Hidden | QDir::NoDotAndDotDot,
        [](const QString &name) { return FolderNames::isTemporaryName(name, QLatin1StringView("veltrane-hdiutil.")); });
    for (const QString &name : areas) {
        const QString area = QFileInfo(base.filePath(name)).canonicalFilePath();
        if (area.isEmpty() || !isAbandoned(ownerOf(area)))
            continue;
        const QString volume = area + QStringLiteral("/volume");
        const QStringList detach{QStringLiteral("detach"), volume, QStringLiteral("-force"), QStringLiteral("-quiet")};
        ToolRunner::run(hdiutil, detach, timeout);
        // Detached lazily, the volume keeps its daemon while anything still has a file open in
        // it; nothing of ours does after a crash.
        stopDaemonsOf(volume);
    }
}

bool isPrivateFolderOfOurs(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
           && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

namespace InstallLeftovers {

QString mountAreaBase()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')) && isPrivateFolderOfOurs(runtime))
        return runtime;
    const QString temporary = qEnvironmentVariable("TMPDIR");
    if (temporary.startsWith(QLatin1Char('/')) && QFileInfo(temporary).isDir())
        return temporary;
    return QStringLiteral("/tmp");
}

void sweep(const Locations &locations, const QString &hdiutil, std::chrono::milliseconds toolTimeout)
{
    for (const QString &folder : {locations.systemApplications, locations.homeApplications(), KeptCopies(locations).folder()})
        StagingFolder::sweep(folder, isAbandoned);
    detachAbandonedImages(hdiutil, toolTimeout);
}

} // namespace InstallLeftovers
