#include "platform/AtomicPlacement.h"

#include "platform/FileDescriptor.h"
#include "platform/TreeCopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {
QString tr(const char *text) { return QCoreApplication::translate("AtomicPlacement", text); }


// A private folder beside the destination, removed with whatever is left in it.
class StagingFolder {
public:
    explicit StagingFolder(const QString &destinationFolder)
    {
        QByteArray pattern = QFile::encodeName(destinationFolder + QLatin1Char('/')
                                               + QLatin1String(AtomicPlacement::stagingPrefix)
                                               + QStringLiteral("XXXXXX"));
        if (!::mkdtemp(pattern.data()))
            throw std::system_error(errno, std::generic_category(), pattern.toStdString());
        m_path = QFile::decodeName(pattern);
    }
    StagingFolder(const StagingFolder &) = delete;
    StagingFolder &operator=(const StagingFolder &) = delete;
    ~StagingFolder() { TreeCopy::remove(m_path); }
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

FileDescriptor openFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    FileDescriptor fd(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        throw std::system_error(errno, std::generic_category(), name.toStdString());
    return fd;
}

[[noreturn]] void renameFailed(int error, const QString &destination)
{
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP)
        throw std::runtime_error(
            tr("The file system of %1 cannot put an app in place in one step.")
                .arg(QFileInfo(destination).absolutePath())
                .toStdString());
    throw std::system_error(error, std::generic_category(), QFile::encodeName(destination).toStdString());
}

// Moves the staged bundle to the destination: a plain rename when nothing is there, else an
// exchange, after which the previous bundle sits in the staging folder.
void moveIntoPlace(int stagingFd, int destinationFd, const QByteArray &name, const QString &destination)
{
    if (::renameat2(stagingFd, name.constData(), destinationFd, name.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EEXIST)
        renameFailed(errno, destination);
    if (::renameat2(stagingFd, name.constData(), destinationFd, name.constData(), RENAME_EXCHANGE) != 0)
        renameFailed(errno, destination);
}
} // namespace

QString AtomicPlacement::place(const QString &bundle, const QString &destinationFolder)
{
    const QString name = QFileInfo(bundle).fileName();
    const QString destination = QDir(destinationFolder).filePath(name);
    const FileDescriptor destinationFd = openFolder(destinationFolder);

    const StagingFolder staging(destinationFolder);
    TreeCopy::copy(bundle, QDir(staging.path()).filePath(name));
    const FileDescriptor stagingFd = openFolder(staging.path());
    moveIntoPlace(stagingFd.get(), destinationFd.get(), QFile::encodeName(name), destination);
    return destination;
}
