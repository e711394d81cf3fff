#pragma once

#include <string>
#include <unordered_map>

namespace vtools {

// Resolves a bundle's symbolic links against the bundle's own entries, the way the kernel would,
// without touching the disk. A link is acceptable only if it leads, through any chain of links,
// to an existing entry of the bundle: an absolute target, a ".." above the bundle, a missing
// entry or a loop all count as leaving it.
class LinkCheck {
public:
    enum class Kind { File, Directory, Symlink };

    void add(const std::string &path, Kind kind, const std::string &target = {});

    bool staysInside(const std::string &linkPath) const;

private:
    struct Node {
        Kind kind;
        std::string target;
    };
    std::unordered_map<std::string, Node> nodes_;
};

} // namespace vtools
