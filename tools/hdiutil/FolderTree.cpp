#include "FolderTree.h"

#include "Failure.h"
#include "Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hdiutil {

namespace {

using posix::FileDescriptor;

constexpr int maxDepth = 256;

FileDescriptor openFolder(int parentFd, const std::string &name, const std::string &shown, struct stat &st)
{
    FileDescriptor fd(::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        vtools::throwSystemError(shown);
    return fd;
}

// Takes the write bits from everything below `dirFd`, children before their folders.
void dropWriteBelow(int dirFd, dev_t device, const std::string &shown, int depth)
{
    if (depth > maxDepth)
        throw vtools::Failure(shown + ": folders nested too deeply");
    for (const std::string &name : vtools::listFolder(dirFd, shown)) {
        const std::string path = shown + "/" + name;
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            vtools::throwSystemError(path);
        if (S_ISLNK(st.st_mode))
            continue;
        if (S_ISDIR(st.st_mode)) {
            struct stat opened {};
            const FileDescriptor sub = openFolder(dirFd, name, path, opened);
            if (opened.st_dev != device)
                throw vtools::Failure(path + ": another file system is mounted here");
            dropWriteBelow(sub.get(), device, path, depth + 1);
        }
        if (::fchmodat(dirFd, name.c_str(), st.st_mode & 07555, 0) != 0)
            vtools::throwSystemError(path);
    }
}

} // namespace

void FolderTree::makeReadOnly(const std::string &root)
{
    struct stat st {};
    const FileDescriptor fd = openFolder(AT_FDCWD, root, root, st);
    dropWriteBelow(fd.get(), st.st_dev, root, 0);
    if (::fchmod(fd.get(), st.st_mode & 07555) != 0)
        vtools::throwSystemError(root);
}

} // namespace hdiutil
