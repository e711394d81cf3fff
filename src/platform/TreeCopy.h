#pragma once

#include <QString>
#include <QtGlobal>

#include <string>
#include <system_error>

// Copies and removes folder trees such as app bundles without following symbolic links.
// Failures throw TreeCopy::Error, whose what() names the entry and the cause.
namespace TreeCopy {

// Deeper trees are refused (ELOOP): a crafted image must not exhaust the stack.
constexpr int maxDepth = 256;

struct Error : std::system_error {
    Error(int error, const std::string &entry)
        : std::system_error(error, std::generic_category(), entry), path(entry) {}
    std::string path;  // the entry that failed
};

// Copies `from` (a folder, file or symbolic link) to `to`, which must not exist. Keeps
// permission bits (never set-user-ID or set-group-ID), modification times, symbolic links as
// links and the user extended attributes. Fails on devices, pipes and sockets.
void copy(const QString &from, const QString &to);

// The space a copy of `from` takes at most: each file's size rounded up to whole blocks of
// 4 KiB, and a block for each folder and link. Reads the entries' sizes only, never their
// contents; throws Error like copy() (ELOOP past maxDepth).
qint64 spaceNeeded(const QString &from);
// The file system of `folder`: the bytes an unprivileged user may still write, and its size.
struct Space {
    qint64 free = 0;
    qint64 total = 0;
};
Space spaceOn(const QString &folder);

// Removes `path` and everything below it, whatever the permission bits say; a missing path
// is fine. Never follows symbolic links and never enters another file system (see
// posix::removeTree). Returns false when something could not be removed.
bool remove(const QString &path) noexcept;

} // namespace TreeCopy
