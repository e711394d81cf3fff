#include "service/InstalledApps.h"

#include "platform/BundleInfo.h"
#include "platform/DesktopEntries.h"
#include "platform/Destination.h"
#include "platform/FolderNames.h"

#include <QDir>

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

qsizetype digitRunEnd(QStringView s, qsizetype from)
{
    while (from < s.size() && isDigit(s[from]))
        ++from;
    return from;
}

// Compares two runs of decimal digits by value, whatever their length.
int compareDigitRuns(QStringView a, QStringView b)
{
    const auto significant = [](QStringView run) {
        qsizetype zeros = 0;
        while (zeros < run.size() && run[zeros] == QLatin1Char('0'))
            ++zeros;
        return run.mid(zeros);
    };
    a = significant(a);
    b = significant(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

// The standardised path of the folder holding `path`: "." and ".." resolved by name, links
// not followed.
QString cleanParent(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : clean.left(slash);
}

} // namespace

InstalledApps::InstalledApps(Locations locations) : m_locations(std::move(locations)) {}

class InstalledApps::Snapshot {
public:
    explicit Snapshot(const InstalledApps &apps)
        : m_folders(apps.searchFolders()), m_registry(DesktopEntries::registeredBundles(apps.m_locations))
    {
    }

    std::optional<InstalledApp> find(const QString &bundleID)
    {
        QList<InstalledApp> candidates = registeredCopies(bundleID);
        if (candidates.isEmpty())
            candidates = copiesInFolders(bundleID);
        return preferredCopy(candidates, m_folders);
    }

private:
    QList<InstalledApp> registeredCopies(const QString &bundleID)
    {
        QList<InstalledApp> copies;
        for (const QString &bundle : m_registry.value(bundleID)) {
            if (const BundleInfo *info = bundleInfo(bundle); info && info->shortVersion)
                copies.append({bundleID, *info->shortVersion, bundle});
        }
        return copies;
    }

    // The ".app" entries of the search folders, in folder order, each folder listed once.
    const QStringList &folderBundles()
    {
        if (!m_folderBundles) {
            m_folderBundles.emplace();
            for (const QString &folder : m_folders) {
                const QStringList names = FolderNames::matching(
                    folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    [](const QString &name) { return name.endsWith(QLatin1String(".app")) && name.size() > 4; },
                    QDir::Name);
                for (const QString &name : names)
                    m_folderBundles->append(QDir(folder).filePath(name));
            }
        }
        return *m_folderBundles;
    }

    QList<InstalledApp> copiesInFolders(const QString &bundleID)
    {
        QList<InstalledApp> copies;
        for (const QString &bundle : folderBundles()) {
            const BundleInfo *info = bundleInfo(bundle);
            if (info && info->identifier == bundleID && info->shortVersion)
                copies.append({bundleID, *info->shortVersion, bundle});
        }
        return copies;
    }

    // Info.plist of a bundle, read at most once per snapshot; null when unreadable.
    const BundleInfo *bundleInfo(const QString &bundle)
    {
        auto it = m_infos.constFind(bundle);
        if (it == m_infos.cend())
            it = m_infos.insert(bundle, BundleInfo::read(bundle));
        return it->has_value() ? &**it : nullptr;
    }

    QStringList m_folders;
    QHash<QString, QStringList> m_registry;
    std::optional<QStringList> m_folderBundles;
    QHash<QString, std::optional<BundleInfo>> m_infos;
};

QHash<QString, InstalledApp> InstalledApps::scan(const QStringList &bundleIDs) const
{
    Snapshot snapshot(*this);
    QHash<QString, InstalledApp> found;
    for (const QString &bundleID : bundleIDs) {
        if (std::optional<InstalledApp> app = snapshot.find(bundleID))
            found.insert(bundleID, std::move(*app));
    }
    return found;
}

QStringList InstalledApps::searchFolders() const
{
    return {destinationDirectory(m_locations.systemApplications, m_locations.home),
            m_locations.systemApplications, m_locations.homeApplications()};
}

std::optional<InstalledApp> InstalledApps::find(const QString &bundleID) const
{
    return Snapshot(*this).find(bundleID);
}

std::optional<InstalledApp> InstalledApps::preferredCopy(const QList<InstalledApp> &candidates,
                                                         const QStringList &folders)
{
    QStringList cleanFolders;
    for (const QString &folder : folders)
        cleanFolders.append(QDir::cleanPath(folder));

    QList<InstalledApp> preferred;
    for (const InstalledApp &candidate : candidates) {
        if (cleanFolders.contains(cleanParent(candidate.location)))
            preferred.append(candidate);
    }
    const QList<InstalledApp> &pool = preferred.isEmpty() ? candidates : preferred;
    if (pool.isEmpty())
        return std::nullopt;

    InstalledApp choice = pool.constFirst();
    for (qsizetype i = 1; i < pool.size(); ++i) {
        if (compareVersions(pool[i].version, choice.version) > 0)
            choice = pool[i];
    }
    return choice;
}

std::optional<InstalledApp> InstalledApps::app(const QString &bundlePath, const QString &bundleID) const
{
    const std::optional<BundleInfo> info = BundleInfo::read(bundlePath);
    if (!info || info->identifier != bundleID || !info->shortVersion)
        return std::nullopt;
    return InstalledApp{bundleID, *info->shortVersion, bundlePath};
}

int InstalledApps::compareVersions(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const qsizetype endA = digitRunEnd(a, i);
            const qsizetype endB = digitRunEnd(b, j);
            if (const int order = compareDigitRuns(a.mid(i, endA - i), b.mid(j, endB - j)))
                return order;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    const bool aLeft = i < a.size();
    const bool bLeft = j < b.size();
    return aLeft == bLeft ? 0 : (aLeft ? 1 : -1);
}

bool InstalledApps::isUpdate(QStringView catalogVersion, QStringView installedVersion)
{
    return compareVersions(catalogVersion, installedVersion) > 0;
}
