#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vtools {

// What is on disk below a bundle folder, found without following symbolic links and without
// crossing into another file system.
struct BundleTree {
    struct Node {
        enum class Kind { File, Directory, Symlink, Other };

        std::string path; // relative, '/'-separated
        Kind kind = Kind::Other;
        mode_t mode = 0;
        dev_t device = 0;
        ino_t inode = 0;
        std::string target; // Symlink
    };

    mode_t rootMode = 0;
    std::vector<Node> nodes; // sorted by path

    // Scans everything below the open folder `rootFd`, leaving out the subtree at `excluded`
    // (a relative path; empty for none). Throws Failure when a folder cannot be read.
    static BundleTree scan(int rootFd, const std::string &excluded);
};

} // namespace vtools
