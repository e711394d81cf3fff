#include "service/DmgCache.h"

#include "service/DmgFailures.h"
#include "service/DmgPartial.h"
#include "service/InstalledApps.h"
#include "service/Sha256.h"
#include "service/UpdateInstallerError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QLatin1String imageSuffix(".dmg");
const QLatin1String partialSuffix(".partial");
const QLatin1String resumeSuffix(".resume");

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7f && u <= 0x9f);
}

// What identifies the bytes of a file that was verified: any rewrite changes one of them.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;
    QByteArray sha256;
    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

std::optional<FileIdentity> identityOf(const QString &path, const ImagePin &pin)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino, st.st_size, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                        pin.sha256};
}

QMutex verifiedMutex;
QHash<QString, FileIdentity> &verifiedImages()
{
    static QHash<QString, FileIdentity> images;
    return images;
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

QString DmgCache::imageNameOf(const QString &fileName)
{
    if (fileName.startsWith(QLatin1Char('.'))) {
        for (const QLatin1String suffix : {partialSuffix, resumeSuffix}) {
            if (fileName.endsWith(suffix)) {
                const QString image = fileName.mid(1, fileName.size() - 1 - suffix.size());
                return image.endsWith(imageSuffix) && !image.startsWith(QLatin1Char('.')) ? image : QString();
            }
        }
        return {};
    }
    return fileName.endsWith(imageSuffix) ? fileName : QString();
}

QStringList DmgCache::entries() const
{
    return QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
}

void DmgCache::removeEntry(const QString &name) const
{
    const QString path = m_folder + QLatin1Char('/') + name;
    if (name.endsWith(partialSuffix) && DmgPartial::isClaimed(path))
        return;
    if (name.endsWith(resumeSuffix)) {
        const QString image = m_folder + QLatin1Char('/') + imageNameOf(name);
        if (DmgPartial::isClaimed(DmgPartial::pathFor(image)))
            return;
    }
    QFile::remove(path);
}

void DmgCache::prune(const QString &kept) const
{
    const QString keptName = QFileInfo(kept).fileName();
    const QString prefix = appPrefix(keptName);
    if (prefix.isEmpty())
        return;
    for (const QString &name : entries()) {
        const QString image = imageNameOf(name);
        if (!image.isEmpty() && image != keptName && appPrefix(image) == prefix)
            removeEntry(name);
    }
}

QString DmgCache::appPrefix(const QString &fileName)
{
    QStringList pieces = fileName.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    if (!pieces.isEmpty())
        pieces.removeLast();
    return pieces.join(QLatin1Char('-'));
}

void DmgCache::removeApp(const QString &appID) const
{
    const QString start = appID + QLatin1Char('-');
    for (const QString &name : entries()) {
        const QString image = imageNameOf(name);
        if (image.startsWith(start) && image.size() > start.size() && image.at(start.size()).isDigit())
            removeEntry(name);
    }
}

void DmgCache::pruneOlder(const QList<CatalogApp> &catalogue) const
{
    for (const QString &name : entries()) {
        const QString image = imageNameOf(name);
        const CatalogApp *owner = nullptr;
        for (const CatalogApp &app : catalogue) {
            if (image.startsWith(app.id + QLatin1Char('-')) && (!owner || app.id.size() > owner->id.size()))
                owner = &app;
        }
        if (!owner)
            continue;
        const QString version = image.mid(owner->id.size() + 1).chopped(imageSuffix.size());
        if (InstalledApps::compareVersions(version, owner->version) < 0)
            removeEntry(name);
    }
}

int DmgCache::sweepLeftovers() const
{
    int removed = 0;
    for (const QString &name : entries()) {
        if (!name.startsWith(QLatin1Char('.')) || imageNameOf(name).isEmpty() || name.endsWith(imageSuffix))
            continue;
        const QString image = m_folder + QLatin1Char('/') + imageNameOf(name);
        const QString partial = DmgPartial::pathFor(image);
        if (DmgPartial::isClaimed(partial))
            continue;
        const DmgPartial::Info info = DmgPartial::readInfo(DmgPartial::infoPathFor(image));
        if (info.writer.isRunning())
            continue;
        // What a later download can continue stays; the rest is debris of a run that ended.
        if (!info.validator.isEmpty() && !info.url.isEmpty() && QFileInfo::exists(partial))
            continue;
        if (QFile::remove(m_folder + QLatin1Char('/') + name))
            ++removed;
    }
    return removed;
}

bool DmgCache::isKnownGood(const QString &image, const ImagePin &pin)
{
    if (!pin.pinsAnything())
        return true;
    const std::optional<FileIdentity> identity = identityOf(image, pin);
    if (!identity || (pin.size && identity->size != *pin.size))
        return false;
    if (pin.sha256.isEmpty())
        return true;
    const QMutexLocker lock(&verifiedMutex);
    return verifiedImages().value(image) == *identity;
}

void DmgCache::rememberVerified(const QString &image, const ImagePin &pin)
{
    if (const std::optional<FileIdentity> identity = identityOf(image, pin)) {
        const QMutexLocker lock(&verifiedMutex);
        verifiedImages().insert(image, *identity);
    }
}

void DmgCache::verify(const QString &image, const ImagePin &pin, const QString &appName)
{
    if (isKnownGood(image, pin))
        return;
    Sha256 hash;  // before the file is open: it may throw
    const int fd = ::open(QFile::encodeName(image).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw InstallerErrors::fileError(image, errno);
    struct stat st {};
    const bool sized = ::fstat(fd, &st) == 0 && (!pin.size || st.st_size == *pin.size);
    const bool read = sized && (pin.sha256.isEmpty() || hash.addFile(fd, st.st_size));
    const int readError = errno;
    ::close(fd);
    if (sized && !read)
        throw InstallerErrors::fileError(image, readError);
    const bool matches = sized && (pin.sha256.isEmpty() || hash.result() == pin.sha256);
    if (!matches) {
        QFile::remove(image);
        throw sized ? DmgFailures::wrongChecksum(appName) : DmgFailures::wrongSize(appName);
    }
    rememberVerified(image, pin);
}
