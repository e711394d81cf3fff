#include "service/KeptCopies.h"

#include "platform/BundleInfo.h"
#include "platform/FolderNames.h"
#include "platform/StagingFolder.h"
#include "platform/TreeCopy.h"
#include "service/UpdateInstallerLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>

namespace {
const QString appSuffix = QStringLiteral(".app");

// Reverse-DNS identifiers only: they become a folder name.
bool isUsableIdentifier(const QString &bundleID)
{
    if (bundleID.isEmpty() || bundleID.size() > 255 || bundleID.startsWith(QLatin1Char('.')))
        return false;
    return std::all_of(bundleID.begin(), bundleID.end(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
               || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('-');
    });
}

// Moves `from` to the free name `to`: one rename on the same file system, else a copy. False
// with errno set when the rename fails.
bool moveOrCopy(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    TreeCopy::copy(from, to);  // throws TreeCopy::Error
    return true;
}

// Puts the prepared folder at `slot`, exchanging it with what was there.
bool putInPlace(const QString &prepared, const QString &slot)
{
    const QByteArray from = QFile::encodeName(prepared), to = QFile::encodeName(slot);
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0
           || (errno == EEXIST && ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0);
}
} // namespace

KeptCopies::KeptCopies(const Locations &locations) : m_folder(locations.hubDataFolder() + QStringLiteral("/Previous")) {}

std::optional<QString> KeptCopies::slot(const QString &bundleID) const
{
    if (!isUsableIdentifier(bundleID))
        return std::nullopt;
    return m_folder + QLatin1Char('/') + bundleID;
}

std::optional<QString> KeptCopies::bundle(const QString &bundleID) const
{
    const std::optional<QString> folder = slot(bundleID);
    if (!folder)
        return std::nullopt;
    const QStringList apps = FolderNames::matching(*folder, QDir::Dirs | QDir::NoSymLinks | QDir::Hidden,
                                                   [](const QString &name) { return name.endsWith(appSuffix); });
    if (apps.size() != 1)
        return std::nullopt;
    return *folder + QLatin1Char('/') + apps.first();
}

std::optional<QString> KeptCopies::version(const QString &bundleID) const
{
    const std::optional<QString> kept = bundle(bundleID);
    const std::optional<BundleInfo> info = kept ? BundleInfo::read(*kept) : std::nullopt;
    if (!info || info->identifier != bundleID || !info->shortVersion || info->shortVersion->isEmpty())
        return std::nullopt;
    return info->shortVersion;
}

bool KeptCopies::keep(const QString &bundleID, const QString &bundle, const QByteArray &runMarker) const
{
    const std::optional<QString> target = slot(bundleID);
    if (!target)
        return false;
    try {
        if (!QDir().mkpath(m_folder))
            throw std::system_error(errno, std::generic_category(), m_folder.toStdString());
        const StagingFolder staging(m_folder, runMarker);
        const QString prepared = staging.path() + QLatin1Char('/') + bundleID;
        if (!QDir().mkdir(prepared) || !moveOrCopy(bundle, prepared + QLatin1Char('/') + QFileInfo(bundle).fileName())
            || !putInPlace(prepared, *target))
            throw std::system_error(errno, std::generic_category(), bundleID.toStdString());
        return true;  // the copy kept before goes with the staging folder
    } catch (const std::system_error &error) {
        qCWarning(lcUpdate, "could not keep the previous copy of %s: %s", qUtf8Printable(bundleID),
                  qUtf8Printable(qt_error_string(error.code().value())));
        return false;
    }
}

void KeptCopies::remove(const QString &bundleID, const QByteArray &runMarker) const
{
    const std::optional<QString> target = slot(bundleID);
    if (!target || !QFileInfo::exists(*target))
        return;
    try {
        // Out of sight in one step, then deleted: never half a copy to go back to.
        const StagingFolder staging(m_folder, runMarker);
        const QByteArray from = QFile::encodeName(*target);
        const QByteArray to = QFile::encodeName(staging.path() + QLatin1Char('/') + bundleID);
        if (std::rename(from.constData(), to.constData()) != 0)
            TreeCopy::remove(*target);
    } catch (const std::exception &) {
        TreeCopy::remove(*target);
    }
}
