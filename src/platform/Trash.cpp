#include "platform/Trash.h"

#include "platform/FileDescriptor.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUuid>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One trash directory, and how its information files name the original location.
struct TrashFolder {
    QString path;
    // Empty for the home Trash, whose information files hold absolute paths; otherwise the
    // top directory of the item's filesystem, relative to which paths are written.
    QString topdir;
};

// The item's filesystem has no Trash that may be used; carries errno-like detail.
struct NoTrash {
    int error = 0;
};

std::optional<struct stat> statOf(const QString &path, bool followLinks = true)
{
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    const int result = followLinks ? ::stat(native.constData(), &st) : ::lstat(native.constData(), &st);
    if (result != 0)
        return std::nullopt;
    return st;
}

// The device of path, or of its nearest existing ancestor: the home Trash may not exist yet.
dev_t deviceOf(QString path)
{
    for (;;) {
        if (const auto st = statOf(path))
            return st->st_dev;
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return 0;
        path = parent;
    }
}

// The highest ancestor of folder (a canonical path) on the same device: the mount point.
QString topDirectoryOf(QString folder, dev_t device)
{
    while (folder != QLatin1String("/")) {
        const QString parent = QFileInfo(folder).path();
        const auto st = statOf(parent);
        if (!st || st->st_dev != device)
            break;
        folder = parent;
    }
    return folder;
}

bool makeFolder(const QString &path, mode_t mode)
{
    return ::mkdir(QFile::encodeName(path).constData(), mode) == 0 || errno == EEXIST;
}

// A trash folder this user may use: a real folder (not a link), owned by the user.
bool isOwnPrivateFolder(const QString &path)
{
    const auto st = statOf(path, false);
    return st && S_ISDIR(st->st_mode) && st->st_uid == ::getuid();
}

// $topdir/.Trash set up by an administrator: a real folder with the sticky bit.
bool isSharedTrash(const QString &path)
{
    const auto st = statOf(path, false);
    return st && S_ISDIR(st->st_mode) && (st->st_mode & S_ISVTX);
}

bool makeTrashFolder(const QString &path)
{
    return makeFolder(path, 0700) && isOwnPrivateFolder(path)
           && makeFolder(path + QStringLiteral("/files"), 0700)
           && makeFolder(path + QStringLiteral("/info"), 0700);
}

std::optional<TrashFolder> topdirTrash(const QString &topdir)
{
    const QString uid = QString::number(::getuid());
    const QString shared = topdir + QStringLiteral("/.Trash");
    if (isSharedTrash(shared) && makeTrashFolder(shared + QLatin1Char('/') + uid))
        return TrashFolder{shared + QLatin1Char('/') + uid, topdir};
    const QString own = topdir + QStringLiteral("/.Trash-") + uid;
    if (makeTrashFolder(own))
        return TrashFolder{own, topdir};
    return std::nullopt;
}

// "Foo.app", 2 -> "Foo.2.app"; "README", 2 -> "README.2".
QString numberedName(const QString &name, int number)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return name + QLatin1Char('.') + QString::number(number);
    return name.left(dot) + QLatin1Char('.') + QString::number(number) + name.mid(dot);
}

QByteArray trashInfo(const QString &pathForInfo)
{
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    return QByteArrayLiteral("[Trash Info]\nPath=") + QFile::encodeName(pathForInfo).toPercentEncoding("/")
           + QByteArrayLiteral("\nDeletionDate=") + now.toLatin1() + '\n';
}

bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// An unnamed file in folder, or where the file system has none, a file of a temporary name.
int openUnnamed(const QByteArray &folder, QByteArray *temporaryName)
{
    const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    *temporaryName = folder + "/." + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + ".tmp";
    return ::open(temporaryName->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}

// Claims a name in the trash by giving its information file, written whole and synced, that
// name: link() never replaces, so two processes trashing items of the same name never pick the
// same one, and a full disk never leaves a short record. Returns the name, or nothing with
// errno set.
std::optional<QString> claimName(const TrashFolder &trash, const QString &name, const QByteArray &info)
{
    QByteArray temporaryName;
    const FileDescriptor fd(openUnnamed(QFile::encodeName(trash.path + QStringLiteral("/info")), &temporaryName));
    const auto cleanUp = qScopeGuard([&] {
        const int error = errno;
        if (!temporaryName.isEmpty())
            ::unlink(temporaryName.constData());
        errno = error;
    });
    if (!fd.valid() || !writeAll(fd.get(), info) || ::fsync(fd.get()) != 0)
        return std::nullopt;
    const QByteArray unnamed = temporaryName.isEmpty() ? "/proc/self/fd/" + QByteArray::number(fd.get()) : temporaryName;
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const QString candidate = attempt == 1 ? name : numberedName(name, attempt);
        // A leftover item without information file still owns its name.
        if (statOf(trash.path + QStringLiteral("/files/") + candidate, false))
            continue;
        const QByteArray infoPath = QFile::encodeName(trash.path + QStringLiteral("/info/") + candidate + QStringLiteral(".trashinfo"));
        if (::linkat(AT_FDCWD, unnamed.constData(), AT_FDCWD, infoPath.constData(),
                     temporaryName.isEmpty() ? AT_SYMLINK_FOLLOW : 0) == 0)
            return candidate;
        if (errno != EEXIST)
            return std::nullopt;
    }
    errno = EEXIST;
    return std::nullopt;
}

// rename() that never replaces: an empty folder of the same name would otherwise vanish.
bool moveWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // Filesystems without RENAME_NOREPLACE: the name was claimed just before, so a clash
    // means someone else is racing us and is refused rather than overwritten.
    if (statOf(to, false)) {
        errno = EEXIST;
        return false;
    }
    return ::rename(source.constData(), target.constData()) == 0;
}

} // namespace

Trash::Trash(QString dataHome) : m_dataHome(std::move(dataHome)) {}

Trash::Result Trash::moveToTrash(const QString &path) const
{
    const QFileInfo item(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const QString name = item.fileName();
    const auto failure = [&](int error) {
        return Result{{}, tr("Could not move “%1” to the Trash: %2.").arg(name, qt_error_string(error))};
    };

    const auto itemStat = statOf(item.filePath(), false);
    if (name.isEmpty() || !itemStat)
        return failure(name.isEmpty() ? EINVAL : errno);

    // Trash within the item's own filesystem: moving is a rename, never a copy.
    const QString folder = item.dir().canonicalPath();
    const auto folderStat = statOf(folder);
    if (folder.isEmpty() || !folderStat)
        return failure(errno);

    std::optional<TrashFolder> trash;
    if (folderStat->st_dev == deviceOf(homeTrash())) {
        if (!QDir().mkpath(m_dataHome) || !makeTrashFolder(homeTrash()))
            return failure(errno ? errno : EACCES);
        trash = TrashFolder{homeTrash(), {}};
    } else {
        trash = topdirTrash(topDirectoryOf(folder, folderStat->st_dev));
        if (!trash)
            return Result{{}, tr("Could not move “%1” to the Trash: its drive has no Trash folder you may use.").arg(name)};
    }

    const QString canonicalItem = folder == QLatin1String("/") ? QLatin1Char('/') + name : folder + QLatin1Char('/') + name;
    const QString pathForInfo = trash->topdir.isEmpty()
                                    ? item.filePath()
                                    : QDir(trash->topdir).relativeFilePath(canonicalItem);
    const auto trashedName = claimName(*trash, name, trashInfo(pathForInfo));
    if (!trashedName)
        return failure(errno);

    const QString target = trash->path + QStringLiteral("/files/") + *trashedName;
    if (!moveWithoutReplacing(item.filePath(), target)) {
        const int error = errno;
        QFile::remove(trash->path + QStringLiteral("/info/") + *trashedName + QStringLiteral(".trashinfo"));
        return failure(error);
    }
    return Result{target, {}};
}
