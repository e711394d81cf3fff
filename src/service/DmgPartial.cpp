#include "service/DmgPartial.h"

#include "service/DmgFailures.h"
#include "service/Sha256.h"
#include "service/UpdateInstallerError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString hiddenBeside(const QString &image, const char *suffix)
{
    const QFileInfo info(image);
    return info.path() + QStringLiteral("/.") + info.fileName() + QLatin1String(suffix);
}

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

bool isDiskFull(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }
} // namespace

QString DmgPartial::pathFor(const QString &image) { return hiddenBeside(image, ".partial"); }

QString DmgPartial::infoPathFor(const QString &image) { return hiddenBeside(image, ".resume"); }

DmgPartial::Info DmgPartial::readInfo(const QString &infoPath)
{
    Info info;
    QFile file(infoPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return info;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype space = line.indexOf(' ');
        const QByteArray key = line.left(space), value = space < 0 ? QByteArray() : line.mid(space + 1);
        if (key == "url")
            info.url = value;
        else if (key == "validator")
            info.validator = value;
        else if (key == "length")
            info.length = value.toLongLong();
        else if (key == "writer")
            info.writer = RunMarker::parse(value);
    }
    return info;
}

bool DmgPartial::isClaimed(const QString &path)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool claimed = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // also releases a lock taken just now
    return claimed;
}

DmgPartial::DmgPartial(QString image, QByteArray url, QString appName)
    : m_image(std::move(image)), m_path(pathFor(m_image)), m_infoPath(infoPathFor(m_image)),
      m_appName(std::move(appName))
{
    const Info earlier = readInfo(m_infoPath);
    if (earlier.writer.isRunning() && !(earlier.writer == RunMarker::current()))
        throw DmgFailures::busyElsewhere(m_appName);
    m_fd = ::open(encoded(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        throw InstallerErrors::fileError(m_path, errno);
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(std::exchange(m_fd, -1));
        m_keep = true;  // not ours to remove
        if (error == EWOULDBLOCK)
            throw DmgFailures::busyElsewhere(m_appName);
        throw InstallerErrors::fileError(m_path, error);
    }
    struct stat st {};
    const qint64 size = ::fstat(m_fd, &st) == 0 ? st.st_size : 0;
    const bool resumable = earlier.url == url && !earlier.validator.isEmpty() && size > 0
                           && (earlier.length < 0 || size < earlier.length);
    m_info.url = std::move(url);
    m_info.writer = RunMarker::current();
    try {
        if (resumable) {
            m_kept = size;
            m_info.validator = earlier.validator;
            m_info.length = earlier.length;
            if (::lseek(m_fd, 0, SEEK_END) < 0)
                fail(errno);
        } else {
            restart();
        }
        writeInfo();
    } catch (...) {
        // A constructor that throws gets no destructor call.
        ::close(m_fd);
        ::unlink(encoded(m_path).constData());
        ::unlink(encoded(m_infoPath).constData());
        throw;
    }
}

DmgPartial::~DmgPartial()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_keep) {
        ::unlink(encoded(m_path).constData());
        ::unlink(encoded(m_infoPath).constData());
    }
}

bool DmgPartial::hashKept(Sha256 &hash) const { return hash.addFile(m_fd, m_kept); }

void DmgPartial::restart()
{
    m_kept = 0;
    m_info.validator.clear();
    m_info.length = -1;
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) < 0)
        fail(errno);
}

void DmgPartial::describe(const QByteArray &validator, qint64 length)
{
    m_info.validator = validator;
    m_info.length = length;
    writeInfo();
}

void DmgPartial::writeInfo()
{
    QSaveFile file(m_infoPath);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("url " + m_info.url + "\nvalidator " + m_info.validator + "\nlength "
                   + QByteArray::number(m_info.length) + "\nwriter " + m_info.writer.text() + '\n');
        if (file.commit())
            return;
    }
    // Without its description the partial cannot be resumed; the download itself goes on.
    m_info.validator.clear();
}

bool DmgPartial::write(const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

void DmgPartial::commit(qint64 length)
{
    // Only a complete download is renamed into the cache. It is not synced first: waiting for
    // the disk would hold every download to the disk's speed, and an image that a crash left
    // torn is caught anyway, by its pin (hashed again on its first use in each run) or by the
    // signature check, and then downloaded afresh.
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        fail(errno);
    if (length >= 0 && st.st_size != length)
        throw DmgFailures::wrongSize(m_appName);
    if (::close(std::exchange(m_fd, -1)) != 0)
        fail(errno);
    if (std::rename(encoded(m_path).constData(), encoded(m_image).constData()) != 0)
        throw InstallerErrors::fileError(m_image, errno);
    ::unlink(encoded(m_infoPath).constData());
    m_keep = true;
}

void DmgPartial::keepForResume()
{
    m_keep = !m_info.validator.isEmpty() && ::lseek(m_fd, 0, SEEK_CUR) > 0;
}

void DmgPartial::fail(int error) const
{
    if (isDiskFull(error))
        throw DmgFailures::diskFull(m_appName);
    throw InstallerErrors::fileError(m_path, error);
}
