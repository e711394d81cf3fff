#include "platform/AtomicPlacement.h"

#include "platform/TreeCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {
StagingFolder makeStaging(const QString &folder, const QByteArray &runMarker, const QString &name)
{
    try {
        return StagingFolder(folder, runMarker);
    } catch (const std::system_error &error) {
        throw std::runtime_error(AtomicPlacement::tr("Could not copy “%1” into %2: %3.")
                                     .arg(name, folder, qt_error_string(error.code().value()))
                                     .toStdString());
    }
}
} // namespace

AtomicPlacement::AtomicPlacement(const QString &destinationFolder, const QString &bundleName,
                                 const QByteArray &runMarker)
    : m_folder(QDir::cleanPath(destinationFolder)), m_name(bundleName),
      m_staging(makeStaging(m_folder, runMarker, bundleName))
{
}

void AtomicPlacement::stage(const QString &bundle)
{
    try {
        requireRoom(TreeCopy::spaceNeeded(bundle));
        TreeCopy::copy(bundle, staged());
    } catch (const TreeCopy::Error &error) {
        copyFailed(error, bundle);
    }
}

// Whatever a disk image claims to hold, a copy never fills the disk: it must fit with room to
// spare, 64 MiB or a twentieth of a smaller file system.
void AtomicPlacement::requireRoom(qint64 needed) const
{
    const TreeCopy::Space space = TreeCopy::spaceOn(m_folder);
    const qint64 required = needed + std::min<qint64>(qint64(64) << 20, space.total / 20);
    if (space.free < required)
        throw std::runtime_error(tr("There is not enough free space in %1: the app needs %2.")
                                     .arg(m_folder, QLocale().formattedDataSize(required))
                                     .toStdString());
}

void AtomicPlacement::commit()
{
    // A power cut after the exchange must not leave empty files where the previous app was.
    if (::syncfs(m_staging.fd()) != 0)
        placeFailed(errno);
    const QByteArray name = QFile::encodeName(m_name);
    const FileDescriptor folder(::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        placeFailed(errno);
    if (::renameat2(m_staging.fd(), name.constData(), folder.get(), name.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EEXIST
        || ::renameat2(m_staging.fd(), name.constData(), folder.get(), name.constData(), RENAME_EXCHANGE) != 0)
        placeFailed(errno);
    m_replaced = true;
}

// Names the entry from the bundle's own name down, whether it failed on the reading or the
// writing side.
void AtomicPlacement::copyFailed(const TreeCopy::Error &error, const QString &bundle) const
{
    if (error.code().value() == ELOOP)
        throw std::runtime_error(tr("“%1” holds folders nested too deeply.").arg(m_name).toStdString());
    QString entry = m_name;
    const QString path = QFile::decodeName(QByteArray::fromStdString(error.path));
    for (const QString &root : {QFileInfo(bundle).absoluteFilePath(), staged()}) {
        if (path == root || path.startsWith(root + QLatin1Char('/')))
            entry = m_name + path.mid(root.size());
    }
    throw std::runtime_error(tr("Could not copy “%1” into %2: %3.")
                                 .arg(entry, m_folder, qt_error_string(error.code().value()))
                                 .toStdString());
}

void AtomicPlacement::placeFailed(int error) const
{
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP)
        throw std::runtime_error(
            tr("The file system of %1 cannot put an app in place in one step.").arg(m_folder).toStdString());
    throw std::runtime_error(
        tr("Could not put “%1” into %2: %3.").arg(m_name, m_folder, qt_error_string(error)).toStdString());
}
