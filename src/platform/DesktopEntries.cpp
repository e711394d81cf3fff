#include "platform/DesktopEntries.h"

#include "platform/AtomicFile.h"
#include "platform/BundleInfo.h"
#include "platform/DesktopEntryFile.h"
#include "platform/FolderNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

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
    return FolderNames::matching(folder, QDir::Files | QDir::Hidden, [](const QString &name) {
        return name.startsWith(QLatin1String("veltrane-")) && name.endsWith(QLatin1String(".desktop"));
    }, QDir::Name);
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

bool isLineBreakOrControl(QChar c)
{
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line
           || category == QChar::Separator_Paragraph;
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.begin(), text.end(), isLineBreakOrControl);
}

// A text from a bundle or the catalogue as one line of plain text: a crafted name cannot start
// a new line or hide characters in the menu.
QString singleLine(QString text)
{
    std::replace_if(text.begin(), text.end(), isLineBreakOrControl, QLatin1Char(' '));
    return text.simplified();
}

QString displayName(const QString &bundle, const BundleInfo &info)
{
    if (const QString name = singleLine(info.name.value_or(QString())); !name.isEmpty())
        return name;
    QString name = singleLine(QFileInfo(bundle).fileName());
    if (name.endsWith(QLatin1String(".app")))
        name.chop(4);
    return name.isEmpty() ? *info.executable : name;
}

struct MenuCategory {
    const char *categories;
    const char *ids;  // lower case, letters and digits only, each between spaces
};

// Catalogue category ids as makers write them, compared without case, spaces or punctuation.
const MenuCategory menuCategoryTable[] = {
    {"Graphics;", " photo photos photography graphics graphicsdesign design drawing image images "},
    {"AudioVideo;Audio;", " audio music musicaudio sound "},
    {"AudioVideo;Video;", " video videos film movies "},
    {"AudioVideo;", " media multimedia "},
    {"Development;", " developer developers development developertools devtools programming "},
    {"Office;", " office productivity writing business finance data datafinance "},
    {"Network;", " network networking internet web communication social "},
    {"Game;", " game games "},
    {"Education;", " education learning "},
    {"Science;", " science "},
    {"System;", " system "},
};

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

QString menuCategories(const QString &categoryID)
{
    QString id;
    for (const QChar c : categoryID.toLower()) {
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            id += c;
    }
    const QString word = QLatin1Char(' ') + id + QLatin1Char(' ');
    for (const MenuCategory &row : menuCategoryTable) {
        if (QLatin1StringView(row.ids).contains(word))
            return QLatin1StringView(row.categories);
    }
    return QStringLiteral("Utility;");
}

bool registerBundle(const Locations &locations, const QString &bundlePath, const CatalogDetails &details)
{
    const QString bundle = cleanAbsolute(bundlePath);
    const std::optional<BundleInfo> info = BundleInfo::read(bundle);
    if (!info || !info->identifier || info->identifier->isEmpty() || !info->executable
        || !isPlainFileName(*info->executable))
        return false;
    // Exec and TryExec are written as they are: no escape carries a control character.
    const QString executable = bundle + QStringLiteral("/Contents/MacOS/") + *info->executable;
    if (hasControlCharacter(executable))
        return false;

    DesktopEntryFile entry;
    const QString name = displayName(bundle, *info);
    entry.set(QStringLiteral("Type"), QStringLiteral("Application"));
    entry.set(QStringLiteral("Name"), name);
    entry.set(QStringLiteral("Exec"), DesktopEntryFile::quoteExecArgument(executable));
    if (const QString icon = iconPath(bundle, info->iconFile); !icon.isEmpty() && !hasControlCharacter(icon))
        entry.set(QStringLiteral("Icon"), icon);
    entry.set(QStringLiteral("Terminal"), QStringLiteral("false"));
    entry.set(QStringLiteral("TryExec"), executable);
    entry.set(QStringLiteral("StartupWMClass"), *info->executable);
    entry.set(QStringLiteral("Categories"), menuCategories(details.categoryID));
    // Validators and menus take a Comment that repeats the Name for a mistake.
    if (const QString comment = singleLine(details.tagline);
        !comment.isEmpty() && comment.compare(name, Qt::CaseInsensitive) != 0)
        entry.set(QStringLiteral("Comment"), comment);
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
