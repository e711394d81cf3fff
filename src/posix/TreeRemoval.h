#pragma once

#include <string>

namespace posix {

// What removeTree() could not do: the first entry that stayed, and why.
struct TreeRemoval {
    int error = 0;    // an errno value; 0 when everything is gone
    std::string path; // the entry, as a path below the one given

    bool ok() const { return error == 0; }
};

// Removes `path` and everything below it; a missing path is fine. Never follows a symbolic
// link (a link is removed, not its target), never enters another file system (EXDEV: a mount
// point stays with all below it), and opens up folders whose owner lacks the rights to empty
// them. Goes on past a failure and removes what it can. Folders nested more than 256 deep
// stay (ELOOP): each level holds a descriptor open.
TreeRemoval removeTree(const std::string &path);

} // namespace posix
