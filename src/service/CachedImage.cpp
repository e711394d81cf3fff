#include "service/CachedImage.h"

#include "service/DmgCache.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CachedImage::CachedImage(const QString &path, const QString &cacheFolder) : m_path(path)
{
    if (DmgCache(cacheFolder).holds(path))
        m_identity = identityOf(QFile::encodeName(path));
}

std::optional<CachedImage::Identity> CachedImage::identityOf(const QByteArray &path)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return Identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

bool CachedImage::same(const Identity &a, const Identity &b)
{
    return a.device == b.device && a.inode == b.inode && a.size == b.size
           && a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
}

void CachedImage::forget() const
{
    if (!m_identity)
        return;
    // Moved aside first, then compared: a download renamed into place in between is either
    // the file moved aside (and goes back) or stays where it is.
    const QFileInfo image(m_path);
    const QByteArray path = QFile::encodeName(m_path);
    const QByteArray aside = QFile::encodeName(image.absolutePath() + QStringLiteral("/.") + image.fileName()
                                               + QLatin1Char('.') + QUuid::createUuid().toString(QUuid::WithoutBraces)
                                               + QStringLiteral(".refused"));
    if (std::rename(path.constData(), aside.constData()) != 0)
        return;
    const std::optional<Identity> moved = identityOf(aside);
    if (moved && same(*moved, *m_identity)) {
        ::unlink(aside.constData());
        return;
    }
    if (::renameat2(AT_FDCWD, aside.constData(), AT_FDCWD, path.constData(), RENAME_NOREPLACE) != 0)
        ::unlink(aside.constData());  // a still newer copy took the name meanwhile
}
