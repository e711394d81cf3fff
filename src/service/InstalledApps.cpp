#include "service/InstalledApps.h"

// Stand-in until installed-app discovery lands: nothing is installed.
InstalledApps::InstalledApps(Locations locations) : m_locations(std::move(locations)) {}

QHash<QString, InstalledApp> InstalledApps::scan(const QStringList &) const { return {}; }

std::optional<InstalledApp> InstalledApps::find(const QString &) const { return std::nullopt; }

std::optional<InstalledApp> InstalledApps::app(const QString &, const QString &) { return std::nullopt; }

int InstalledApps::compareVersions(QStringView a, QStringView b) { return a.compare(b); }

bool InstalledApps::isUpdate(QStringView catalogVersion, QStringView installedVersion)
{
    return compareVersions(catalogVersion, installedVersion) > 0;
}
