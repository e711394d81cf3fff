#pragma once

#include <string>

namespace hdiutil {

// Whole-tree operations on an unpacked image, by descriptor, never following symbolic links
// and never entering another file system. Throw vtools::Failure on error. (Removing the tree
// is vtools::removeTree.)
struct FolderTree {
    // Takes every write bit away (links are left alone).
    static void makeReadOnly(const std::string &root);
};

} // namespace hdiutil
