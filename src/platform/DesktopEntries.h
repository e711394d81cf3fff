#pragma once

#include "platform/Locations.h"

#include <QHash>
#include <QString>
#include <QStringList>

// The registry of installed app bundles: freedesktop desktop entries, so registered apps also
// appear in the desktop's menus.
//
// Each registered copy of a bundle has its own entry in the user's folder
// (<dataHome>/applications), named
//     veltrane-<bundle identifier>-<16 hex digits of SHA-256 of the bundle path>.desktop
// (characters other than A-Z a-z 0-9 . _ - in the identifier become '_'), so registering the
// same copy again replaces its entry. The "[Desktop Entry]" group holds:
//     Type=Application
//     Name=<CFBundleDisplayName, else CFBundleName, else the bundle's name without ".app",
//          else CFBundleExecutable>
//     Exec=<Contents/MacOS/<CFBundleExecutable>, quoted per the desktop entry rules>
//     Icon=<absolute path of CFBundleIconFile in Contents/Resources (as named, or with .png
//          or .svg added), when that file exists>
//     Terminal=false
//     TryExec=<the same executable path, unquoted>
//     StartupWMClass=<CFBundleExecutable>, so the desktop ties the app's windows to the entry
//     Categories=<menuCategories(the catalogue's category id)>
//     Comment=<the catalogue's tagline, when there is one and it differs from Name>
//     X-Veltrane-Bundle-Identifier=<CFBundleIdentifier>
//     X-Veltrane-Bundle-Path=<absolute, cleaned path of the .app bundle>
//
// Lookups read every "veltrane-*.desktop" file of the user's folder and then of each system
// data folder's "applications" folder; a user entry masks a system entry of the same file
// name, and an entry with Hidden=true counts as absent. Malformed files are skipped.
namespace DesktopEntries {

// Paths of the bundles registered with exactly this identifier, user entries first, each
// folder in file-name order, without duplicates. The bundles are not checked on disk.
QStringList bundlesWithIdentifier(const Locations &locations, const QString &bundleID);
// The same for every identifier at once, reading each entry once.
QHash<QString, QStringList> registeredBundles(const Locations &locations);

// What the catalogue says about the app, for its menu entry.
struct CatalogDetails {
    QString categoryID;  // the catalogue's category id ("photo", "developer", ...)
    QString tagline;
};

// Writes (atomically) the entry for the bundle at bundlePath from its Info.plist and the
// catalogue's details. Name and Comment come from outside data, so each is made one line
// without control characters. False when the Info.plist lacks an identifier or a plain
// executable name, the executable's path holds a control character (no entry can carry it),
// or the write fails.
bool registerBundle(const Locations &locations, const QString &bundlePath, const CatalogDetails &details = {});

// The freedesktop menu categories for a catalogue category id, as a Categories value:
// "Graphics;", "AudioVideo;Audio;", ... ; "Utility;" for an id it does not know.
QString menuCategories(const QString &categoryID);

// Removes the user's entries that name this identifier and bundle path. False when none was
// removed.
bool unregisterBundle(const Locations &locations, const QString &bundleID, const QString &bundlePath);

// The file name of the entry of that copy (see above).
QString entryFileName(const QString &bundleID, const QString &bundlePath);

} // namespace DesktopEntries
