#include "service/UpdateInstallerError.h"

#include <cstring>

namespace InstallerErrors {

AppInstaller::Failure fileError(const QString &path, int error)
{
    return AppInstaller::Failure::other(
        QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
}

AppInstaller::Failure unusableName()
{
    return AppInstaller::Failure::other(QCoreApplication::translate(
        "UpdateInstaller", "The app's name or version cannot be used as a file name."));
}

AppInstaller::Failure nothingKept()
{
    return AppInstaller::Failure::other(
        QCoreApplication::translate("UpdateInstaller", "No earlier version of this app is kept."));
}

} // namespace InstallerErrors
