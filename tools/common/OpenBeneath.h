#pragma once

#include <string>

namespace vtools {

// Opens `relativePath` below the open directory `rootFd` without following any symbolic link
// and without leaving the root or its file system, whatever changed since the path was found.
// Returns the descriptor or -1 with errno set.
int openBeneath(int rootFd, const std::string &relativePath, int flags);

} // namespace vtools
