#pragma once

#include "platform/Locations.h"
#include "service/InstalledApp.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QStringView>

#include <optional>

// Finds installed copies of catalogue apps and reads their versions. Synchronous and never
// failing: every problem means "not installed". Holds only where to look. Tests that need
// installed copies without a file system override the lookups.
class InstalledApps {
public:
    explicit InstalledApps(Locations locations = Locations::fromEnvironment());
    virtual ~InstalledApps() = default;

    // bundle identifier -> preferred installed copy, for each identifier that has one.
    virtual QHash<QString, InstalledApp> scan(const QStringList &bundleIDs) const;
    // The preferred copy: inside one of the Applications folders if any, then the newest.
    virtual std::optional<InstalledApp> find(const QString &bundleID) const;
    // Exactly the bundle at bundlePath, when its Info.plist names bundleID and a version.
    virtual std::optional<InstalledApp> app(const QString &bundlePath, const QString &bundleID) const;

    // Numeric version ordering: runs of decimal digits compare by value, of any length (2.10
    // after 2.9, 1.01 equal to 1.1); other characters by UTF-16 code unit; the first difference
    // decides, and a string orders after its own prefix (1.0.0 after 1.0). Negative, zero or
    // positive like strcmp.
    static int compareVersions(QStringView a, QStringView b);
    // An update exists when the catalogue version orders strictly after the installed one.
    static bool isUpdate(QStringView catalogVersion, QStringView installedVersion);

    const Locations &locations() const { return m_locations; }

private:
    // The install destination, "/Applications", the home "Applications" folder.
    QStringList searchFolders() const;
    // What one scan reads from disk: the registry and each bundle's Info.plist, once each.
    class Snapshot;
    // Copies directly inside a search folder first, else all; then the newest, the earliest
    // among equals.
    static std::optional<InstalledApp> preferredCopy(const QList<InstalledApp> &candidates,
                                                     const QStringList &folders);

    Locations m_locations;
};
