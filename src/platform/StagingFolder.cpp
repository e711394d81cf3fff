#include "platform/StagingFolder.h"

#include "platform/FolderNames.h"
#include "platform/TreeCopy.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {
constexpr qsizetype maxMarkerBytes = 4096;

QByteArray readMarker(const QString &stagingFolder)
{
    const QByteArray path = QFile::encodeName(stagingFolder + QLatin1Char('/') + QLatin1String(StagingFolder::markerName));
    const FileDescriptor fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxMarkerBytes)
        return {};
    QByteArray text(qsizetype(st.st_size), Qt::Uninitialized);
    return ::read(fd.get(), text.data(), size_t(text.size())) == text.size() ? text : QByteArray();
}

[[noreturn]] void fail(const QByteArray &path, int error = errno)
{
    throw std::system_error(error, std::generic_category(), path.toStdString());
}

QString makeFolder(const QString &folder)
{
    QByteArray pattern = QFile::encodeName(folder + QLatin1Char('/') + QLatin1String(StagingFolder::prefix) + QStringLiteral("XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        fail(pattern);
    return QFile::decodeName(pattern);
}

// Synced, so that the folder is recognised after a power cut too.
void writeMarker(int folderFd, const QByteArray &marker)
{
    const FileDescriptor fd(::openat(folderFd, StagingFolder::markerName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.valid())
        fail(StagingFolder::markerName);
    const ssize_t written = ::write(fd.get(), marker.constData(), size_t(marker.size()));
    if (written != marker.size())
        fail(StagingFolder::markerName, written < 0 ? errno : ENOSPC);
    if (::fdatasync(fd.get()) != 0)
        fail(StagingFolder::markerName);
}

// Ours: a real folder (not a link) of this user, closed to others.
bool isPrivateFolder(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)
           && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}
} // namespace

StagingFolder::StagingFolder(const QString &folder, const QByteArray &runMarker)
    : m_path(makeFolder(folder)),
      m_fd(::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))
{
    try {
        if (!m_fd.valid())
            fail(QFile::encodeName(m_path));
        writeMarker(m_fd.get(), runMarker);
    } catch (...) {
        TreeCopy::remove(m_path);
        throw;
    }
}

StagingFolder::~StagingFolder()
{
    m_fd.reset();
    TreeCopy::remove(m_path);
}

int StagingFolder::sweep(const QString &folder, const std::function<bool(const QByteArray &)> &isAbandoned)
{
    int removed = 0;
    const QStringList names = FolderNames::matching(
        folder, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot,
        [](const QString &name) { return FolderNames::isTemporaryName(name, QLatin1StringView(prefix)); });
    for (const QString &name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        if (!isPrivateFolder(path))
            continue;
        const QByteArray marker = readMarker(path);
        if (!marker.isEmpty() && isAbandoned(marker) && TreeCopy::remove(path))
            ++removed;
    }
    return removed;
}
