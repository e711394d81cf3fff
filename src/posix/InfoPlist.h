#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace posix {

// The keys of an app bundle's Contents/Info.plist that the Hub and the tools use. A key that
// is missing or not a string is absent.
struct InfoPlist {
    std::optional<std::string> identifier;   // CFBundleIdentifier
    std::optional<std::string> shortVersion; // CFBundleShortVersionString
    std::optional<std::string> displayName;  // CFBundleDisplayName
    std::optional<std::string> name;         // CFBundleName
    std::optional<std::string> executable;   // CFBundleExecutable
    std::optional<std::string> iconFile;     // CFBundleIconFile

    // Far above any real Info.plist; keeps read() from taking a hostile file whole into memory.
    static constexpr std::size_t maxBytes = 8 * 1024 * 1024;

    // An XML or binary property list whose top level is a dictionary; nothing otherwise.
    static std::optional<InfoPlist> parse(std::string_view data);
    // Reads and parses the regular file at `path`; nothing when it is not a regular file of at
    // most maxBytes, cannot be read or does not parse. Never waits on a pipe or device.
    static std::optional<InfoPlist> read(const std::string &path);

    // The XML property list of a new bundle: the keys above that are present, plus the fixed
    // ones every app bundle carries (CFBundleVersion repeats the short version).
    std::string toXml() const;
};

} // namespace posix
