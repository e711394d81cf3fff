#pragma once

#include <QString>

#include <optional>

// The keys of an app bundle's "Contents/Info.plist" that the Hub reads. A key that is missing
// or not a string is empty here.
struct BundleInfo {
    std::optional<QString> identifier;    // CFBundleIdentifier
    std::optional<QString> shortVersion;  // CFBundleShortVersionString
    std::optional<QString> name;          // CFBundleDisplayName, else CFBundleName
    std::optional<QString> executable;    // CFBundleExecutable
    std::optional<QString> iconFile;      // CFBundleIconFile

    // Reads <bundlePath>/Contents/Info.plist (XML or binary) through posix::InfoPlist. Nothing
    // when it is not a regular file, cannot be read, does not parse, or its top level is not a
    // dictionary.
    static std::optional<BundleInfo> read(const QString &bundlePath);
    static QString infoPlistPath(const QString &bundlePath);
};
