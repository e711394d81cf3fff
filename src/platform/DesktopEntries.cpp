#include "platform/DesktopEntries.h"

#include "platform/AtomicFile.h"
#include "platform/BundleInfo.h"
#include "platform/DesktopEntryFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

const QString identifierKey = QStringLiteral("X-Veltrane-Bundle-Identifier");
const QString pathKey = QStringLiteral("X-Veltrane-Bundle-Path");
constexpr qint64 maxEntryBytes = 1024 * 1024;

QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Keeps a hostile identifier from naming a file outside the folder.
QString safeFileNamePart(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                           || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('_')
                           || c == QLatin1Char('-');
        if (!plain)
            c = QLatin1Char('_');
    }
    return out;
}

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") && name != QLatin1String("..");
}

QStringList entryFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("veltrane-*.desktop")}, QDir::Files | QDir::Hidden, QDir::Name);
}

std::optional<DesktopEntryFile> readEntry(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.read(maxEntryBytes + 1);
    if (data.size() > maxEntryBytes)
        return std::nullopt;
    return DesktopEntryFile::parse(data);
}

QString iconPath(const QString &bundle, const std::optional<QString> &iconFile)
{
    if (!iconFile || !isPlainFileName(*iconFile))
        return {};
    const QString base = bundle + QStringLiteral("/Contents/Resources/") + *iconFile;
    for (const QString &candidate : {base, base + QStringLiteral(".png"), base + QStringLiteral(".svg")}) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

QString displayName(const QString &bundle, const BundleInfo &info)
{
    if (info.name && !info.name->trimmed().isEmpty())
        return *info.name;
    QString name = QFileInfo(bundle).fileName();
    if (name.endsWith(QLatin1String(".app")))
        name.chop(4);
    return name;
}

} // namespace

namespace DesktopEntries {

QString entryFileName(const QString &bundleID, const QString &bundlePath)
{
    const QByteArray hash = QCryptographicHash::hash(cleanAbsolute(bundlePath).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("veltrane-%1-%2.desktop")
        .arg(safeFileNamePart(bundleID), QString::fromLatin1(hash.toHex().left(16)));
}

QHash<QString, QStringList> registeredBundles(const Locations &locations)
{
    QHash<QString, QStringList> bundles;
    QSet<QString> seenFiles;
    for (const QString &folder : locations.desktopEntryFolders()) {
        for (const QString &name : entryFiles(folder)) {
            if (seenFiles.contains(name))
                continue;  // masked by a more important folder
            seenFiles.insert(name);
            const std::optional<DesktopEntryFile> entry = readEntry(folder + QLatin1Char('/') + name);
            if (!entry || entry->value(QStringLiteral("Hidden")) == QLatin1String("true"))
                continue;
            const QString bundleID = entry->value(identifierKey).value_or(QString());
            const QString path = entry->value(pathKey).value_or(QString());
            if (bundleID.isEmpty() || path.isEmpty())
                continue;
            QStringList &paths = bundles[bundleID];
            const QString clean = QDir::cleanPath(path);
            if (!paths.contains(clean))
                paths.append(clean);
        }
    }
    return bundles;
}

QStringList bundlesWithIdentifier(const Locations &locations, const QString &bundleID)
{
    return registeredBundles(locations).value(bundleID);
}

bool registerBundle(const Locations &locations, const QString &bundlePath)
{
    const QString bundle = cleanAbsolute(bundlePath);
    const std::optional<BundleInfo> info = BundleInfo::read(bundle);
    if (!info || !info->identifier || info->identifier->isEmpty() || !info->executable
        || !isPlainFileName(*info->executable))
        return false;

    DesktopEntryFile entry;
    entry.set(QStringLiteral("Type"), QStringLiteral("Application"));
    entry.set(QStringLiteral("Name"), displayName(bundle, *info));
    entry.set(QStringLiteral("Exec"),
              DesktopEntryFile::quoteExecArgument(bundle + QStringLiteral("/Contents/MacOS/") + *info->executable));
    if (const QString icon = iconPath(bundle, info->iconFile); !icon.isEmpty())
        entry.set(QStringLiteral("Icon"), icon);
    entry.set(QStringLiteral("Terminal"), QStringLiteral("false"));
    entry.set(identifierKey, *info->identifier);
    entry.set(pathKey, bundle);

    const QString folder = locations.userDesktopEntries();
    QDir().mkpath(folder);
    return AtomicFile::write(folder + QLatin1Char('/') + entryFileName(*info->identifier, bundle), entry.serialize()).ok();
}

bool unregisterBundle(const Locations &locations, const QString &bundleID, const QString &bundlePath)
{
    const QString bundle = cleanAbsolute(bundlePath);
    const QString folder = locations.userDesktopEntries();
    bool removed = false;
    for (const QString &name : entryFiles(folder)) {
        const QString path = folder + QLatin1Char('/') + name;
        const std::optional<DesktopEntryFile> entry = readEntry(path);
        if (entry && entry->value(identifierKey) == bundleID
            && QDir::cleanPath(entry->value(pathKey).value_or(QString())) == bundle)
            removed = QFile::remove(path) || removed;
    }
    return removed;
}

} // namespace DesktopEntries
