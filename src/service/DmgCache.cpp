#include "service/DmgCache.h"

#include "service/UpdateInstaller.h"
#include "service/UpdateInstallerError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {
const QLatin1String imageSuffix(".dmg");

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7f && u <= 0x9f);
}
} // namespace

DmgCache::DmgCache(QString folder) : m_folder(std::move(folder))
{
    QDir().mkpath(m_folder);
}

bool DmgCache::isUsableName(const QString &part)
{
    if (part.isEmpty() || part.startsWith(QLatin1Char('.')))
        return false;
    return std::none_of(part.begin(), part.end(),
                        [](QChar c) { return c == QLatin1Char('/') || isControl(c); });
}

QString DmgCache::imageFor(const QString &appID, const QString &version) const
{
    if (!isUsableName(appID) || !isUsableName(version))
        return {};
    return m_folder + QLatin1Char('/') + appID + QLatin1Char('-') + version + imageSuffix;
}

bool DmgCache::holds(const QString &path) const
{
    const QFileInfo image(path);
    return image.isFile() && !image.isSymLink()
           && image.absoluteDir().canonicalPath() == QDir(m_folder).canonicalPath();
}

void DmgCache::store(const QString &download, const QString &target) const
{
    // A rename replaces an older copy in one step, and an install reading it keeps its handle.
    if (std::rename(QFile::encodeName(download).constData(), QFile::encodeName(target).constData()) == 0)
        return;
    const int error = errno;
    if (error != EXDEV) {
        QFile::remove(download);
        throw InstallerErrors::fileError(target, error);
    }
    // The temporary folder is on another file system: copy beside the target, then rename.
    const QString part = m_folder + QStringLiteral("/.veltrane-")
                         + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
                         + QStringLiteral(".part");
    QFile source(download);
    const bool copied = source.copy(part);
    const QString copyError = source.errorString();
    QFile::remove(download);
    if (!copied) {
        QFile::remove(part);
        throw AppInstaller::Failure::other(QStringLiteral("%1: %2").arg(target, copyError));
    }
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        const int renameError = errno;
        QFile::remove(part);
        throw InstallerErrors::fileError(target, renameError);
    }
}

void DmgCache::prune(const QString &kept) const
{
    const QString keptName = QFileInfo(kept).fileName();
    const QString prefix = appPrefix(keptName);
    if (prefix.isEmpty())
        return;
    const QDir dir(m_folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString &name : names) {
        if (name != keptName && name.endsWith(imageSuffix) && appPrefix(name) == prefix)
            QFile::remove(dir.filePath(name));
    }
}

QString DmgCache::appPrefix(const QString &fileName)
{
    QStringList pieces = fileName.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    if (!pieces.isEmpty())
        pieces.removeLast();
    return pieces.join(QLatin1Char('-'));
}
