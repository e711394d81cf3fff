#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vtools {

// The keys of Contents/Info.plist that the tools read and write.
struct InfoPlist {
    std::string identifier; // CFBundleIdentifier
    std::string executable; // CFBundleExecutable
    std::string name;       // CFBundleName
    std::string version;    // CFBundleShortVersionString (and CFBundleVersion)
    std::string iconFile;   // CFBundleIconFile, may be empty

    // Reads an XML or binary property list; absent or non-string keys stay empty. nullopt if
    // the data is not a dictionary property list.
    static std::optional<InfoPlist> parse(std::string_view data);

    // An XML property list with the keys above (empty ones left out).
    std::string toXml() const;
};

} // namespace vtools
