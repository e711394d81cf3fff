#include "platform/Destination.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

QString destinationDirectory(const QString &systemApplications, const QString &home)
{
    if (::access(QFile::encodeName(systemApplications).constData(), W_OK) == 0)
        return systemApplications;
    const QString homeApplications = home + QStringLiteral("/Applications");
    QDir().mkpath(homeApplications);  // a failure shows later, when something is put there
    return homeApplications;
}
