#pragma once

#include <QString>

// Copies and removes folder trees such as app bundles without following symbolic links.
// Failures throw std::system_error whose what() names the entry and the cause.
namespace TreeCopy {

// Copies `from` (a folder, file or symbolic link) to `to`, which must not exist. Keeps
// permission bits (never set-user-ID or set-group-ID), modification times, symbolic links as
// links and the user extended attributes. Fails on devices, pipes and sockets.
void copy(const QString &from, const QString &to);

// Removes `path` and everything below it, whatever the permission bits say; a missing path
// is fine. Never follows symbolic links and never enters another file system (see
// posix::removeTree). Returns false when something could not be removed.
bool remove(const QString &path) noexcept;

} // namespace TreeCopy
