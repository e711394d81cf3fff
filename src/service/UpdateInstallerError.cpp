#include "service/UpdateInstallerError.h"

#include <QCoreApplication>

#include <cstring>

namespace InstallerErrors {

UpdateInstaller::Error fileError(const QString &path, int error)
{
    return UpdateInstaller::Error::other(
        QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
}

UpdateInstaller::Error unusableName()
{
    return UpdateInstaller::Error::other(QCoreApplication::translate(
        "UpdateInstaller", "The app's name or version cannot be used as a file name."));
}

UpdateInstaller::Error httpStatus(int status)
{
    UpdateInstaller::Failure f;
    f.kind = UpdateInstaller::Failure::Kind::HttpStatus;
    f.status = status;
    return UpdateInstaller::Error(f);
}

UpdateInstaller::Error failure(UpdateInstaller::Failure::Kind kind, const QString &detail)
{
    UpdateInstaller::Failure f;
    f.kind = kind;
    f.detail = detail;
    return UpdateInstaller::Error(f);
}

} // namespace InstallerErrors
