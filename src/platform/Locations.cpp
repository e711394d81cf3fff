#include "platform/Locations.h"

#include <QDir>
#include <QStandardPaths>

namespace {
QString environmentOr(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}
} // namespace

Locations Locations::fromEnvironment()
{
    Locations l;
    l.home = QDir::homePath();
    l.dataHome = environmentOr("XDG_DATA_HOME", l.home + QStringLiteral("/.local/share"));
    l.dataDirs = environmentOr("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
                     .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    l.systemApplications = QStringLiteral("/Applications");
    l.tempDir = QDir::tempPath();
    return l;
}

QString Locations::hubDataFolder() const { return dataHome + QStringLiteral("/VeltraneHub"); }
QString Locations::catalogCacheFile() const { return hubDataFolder() + QStringLiteral("/catalog.json"); }
QString Locations::updatesFolder() const { return hubDataFolder() + QStringLiteral("/Updates"); }
QString Locations::homeApplications() const { return home + QStringLiteral("/Applications"); }
QString Locations::userDesktopEntries() const { return dataHome + QStringLiteral("/applications"); }

QStringList Locations::desktopEntryFolders() const
{
    QStringList folders{userDesktopEntries()};
    for (const QString &dir : dataDirs)
        folders.append(dir + QStringLiteral("/applications"));
    return folders;
}
