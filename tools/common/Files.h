#pragma once

#include "posix/FileDescriptor.h"

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace vtools {

// Reads a regular file of at most maxSize bytes; throws Failure otherwise.
std::string readOpenFile(int fd, const std::string &what, size_t maxSize);
std::string readFile(const std::string &path, size_t maxSize);
// The same below an open directory, never following a symbolic link; nullopt if it is absent.
std::optional<std::string> readFileAt(int dirFd, const std::string &name, size_t maxSize);

// Creates a file that must not exist yet, with exactly `mode`; removes it again on failure.
void writeNewFile(const std::string &path, const std::string &content, mode_t mode);
void writeNewFileAt(int dirFd, const std::string &name, const std::string &content, mode_t mode);

// The names in an open folder, without "." and "..". Reads through a fresh descriptor, so the
// folder can be listed any number of times. Throws Failure (naming `shown`) on error.
std::vector<std::string> listFolder(int dirFd, const std::string &shown);

bool pathExists(const std::string &path); // without following a final symbolic link
std::string fileName(const std::string &path);   // last component, trailing slashes ignored
std::string parentPath(const std::string &path); // "." when there is no slash
// An absolute form of `path` without "." components or repeated and trailing slashes;
// symbolic links are left alone.
std::string absolutePath(const std::string &path);

// Removes `path` and everything below it (see posix::removeTree); throws Failure naming the
// first entry that stayed.
void removeTree(const std::string &path);

} // namespace vtools
