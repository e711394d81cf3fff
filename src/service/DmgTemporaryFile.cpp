#include "service/DmgTemporaryFile.h"

#include "service/UpdateInstallerError.h"

#include <QFile>
#include <QUuid>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

DmgTemporaryFile::DmgTemporaryFile(const QString &folder)
    : m_path(folder + QStringLiteral("/veltrane-")
             + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".dmg"))
{
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_fd < 0)
        throw InstallerErrors::fileError(m_path, errno);
}

DmgTemporaryFile::~DmgTemporaryFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_kept)
        ::unlink(QFile::encodeName(m_path).constData());
}

bool DmgTemporaryFile::write(const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

QString DmgTemporaryFile::keep()
{
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        throw InstallerErrors::fileError(m_path, errno);
    m_kept = true;
    return m_path;
}
