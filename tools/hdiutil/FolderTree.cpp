#include "FolderTree.h"

#include "Failure.h"
#include "Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace hdiutil {

namespace {

using vtools::UniqueFd;

constexpr int maxDepth = 256;

UniqueFd openSubfolder(int parentFd, const std::string &name, dev_t device, const std::string &shown)
{
    UniqueFd fd(::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid())
        vtools::throwSystemError(shown);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        vtools::throwSystemError(shown);
    if (st.st_dev != device)
        throw vtools::Failure(shown + ": another file system is mounted here");
    return fd;
}

// Applies `visit(parentFd, name, stat)` to every entry below `dirFd`, children before folders.
template <typename Visit>
void walk(int dirFd, dev_t device, const std::string &shown, int depth, Visit &visit)
{
    if (depth > maxDepth)
        throw vtools::Failure(shown + ": folders nested too deeply");
    for (const std::string &name : vtools::listFolder(dirFd, shown)) {
        const std::string path = shown + "/" + name;
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            vtools::throwSystemError(path);
        if (S_ISDIR(st.st_mode)) {
            // A folder unpacked without access for its owner must be opened to be emptied.
            if ((st.st_mode & S_IRWXU) != S_IRWXU && visit.opensLocked()
                && ::fchmodat(dirFd, name.c_str(), (st.st_mode & 07777) | S_IRWXU, 0) != 0)
                vtools::throwSystemError(path);
            UniqueFd sub = openSubfolder(dirFd, name, device, path);
            walk(sub.get(), device, path, depth + 1, visit);
        }
        visit(dirFd, name, st, path);
    }
}

struct DropWrite {
    bool opensLocked() const { return false; }
    void operator()(int dirFd, const std::string &name, const struct stat &st,
                    const std::string &path) const
    {
        if (!S_ISLNK(st.st_mode)
            && ::fchmodat(dirFd, name.c_str(), st.st_mode & 07555, 0) != 0)
            vtools::throwSystemError(path);
    }
};

struct RemoveEntry {
    bool opensLocked() const { return true; }
    void operator()(int dirFd, const std::string &name, const struct stat &st,
                    const std::string &path) const
    {
        if (::unlinkat(dirFd, name.c_str(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0) != 0)
            vtools::throwSystemError(path);
    }
};

UniqueFd openRoot(const std::string &root, struct stat &st)
{
    UniqueFd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        vtools::throwSystemError(root);
    return fd;
}

} // namespace

void FolderTree::makeReadOnly(const std::string &root)
{
    struct stat st {};
    UniqueFd fd = openRoot(root, st);
    DropWrite visit;
    walk(fd.get(), st.st_dev, root, 0, visit);
    if (::fchmod(fd.get(), st.st_mode & 07555) != 0)
        vtools::throwSystemError(root);
}

void FolderTree::remove(const std::string &root)
{
    struct stat st {};
    if (::lstat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_IRWXU) != S_IRWXU
        && ::chmod(root.c_str(), (st.st_mode & 07777) | S_IRWXU) != 0)
        vtools::throwSystemError(root);
    UniqueFd fd = openRoot(root, st);
    RemoveEntry visit;
    walk(fd.get(), st.st_dev, root, 0, visit);
    fd = UniqueFd();
    if (::rmdir(root.c_str()) != 0)
        vtools::throwSystemError(root);
}

} // namespace hdiutil
