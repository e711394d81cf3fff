#include "platform/AtomicFile.h"

#include "platform/FileDescriptor.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Writes all of data; false with errno set when the file system takes no more.
bool writeAll(int fd, QByteArrayView data)
{
    while (!data.isEmpty()) {
        const ssize_t n = ::write(fd, data.data(), size_t(data.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data = data.sliced(n);
    }
    return true;
}

} // namespace

AtomicFile::Result AtomicFile::write(const QString &path, QByteArrayView content, mode_t mode)
{
    const QFileInfo target(path);
    const QByteArray temporary = QFile::encodeName(
        target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.')
        + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".tmp"));
    const auto failed = [&](int error) {
        return Result{tr("Could not save “%1”: %2.").arg(path, qt_error_string(error))};
    };

    const FileDescriptor fd(::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!fd.valid())
        return failed(errno);
    // A full disk may only show at fsync (delayed allocation), so its answer counts too.
    if (!writeAll(fd.get(), content) || ::fsync(fd.get()) != 0
        || ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return failed(error);
    }
    return {};
}
