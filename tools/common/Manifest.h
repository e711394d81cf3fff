#pragma once

#include "Sha256.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vtools {

// The sealed contents of a bundle: one entry per file, folder and symbolic link except the
// seal's own folder, plus the identifiers the seal vouches for. Its text form is canonical
// (entries sorted by path, one spelling per value), so the signature covers one meaning.
struct Manifest {
    struct Entry {
        enum class Kind { File, Directory, Symlink };

        std::string path; // relative to the bundle, '/'-separated
        Kind kind = Kind::File;
        bool executable = false; // File: any execute bit set
        Digest digest {};        // File: SHA-256 of the content
        std::string target;      // Symlink: the link's text

        friend bool operator==(const Entry &, const Entry &) = default;
    };

    std::string identifier;     // CFBundleIdentifier
    std::string teamIdentifier; // the signing team
    std::string executable;     // CFBundleExecutable, a file in Contents/MacOS
    std::vector<Entry> entries; // sorted by path, unique

    std::string format() const;
    // nullopt (and `why`) unless `text` is a well-formed manifest.
    static std::optional<Manifest> parse(std::string_view text, std::string *why = nullptr);
};

// A relative path made of valid components ("a/b"), none of them "." or "..".
bool isCleanRelativePath(std::string_view path);

} // namespace vtools
