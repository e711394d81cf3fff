#include "posix/TreeRemoval.h"

#include "posix/FileDescriptor.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace posix {

namespace {

constexpr int maxDepth = 256;

class Remover {
public:
    explicit Remover(dev_t device) : m_device(device) {}

    const TreeRemoval &result() const { return m_result; }

    void removeEntry(int dirFd, const std::string &name, const std::string &path, int depth)
    {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                fail(path);
            return;
        }
        if (!S_ISDIR(st.st_mode)) {
            if (::unlinkat(dirFd, name.c_str(), 0) != 0 && errno != ENOENT)
                fail(path);
            return;
        }
        // A mount point shows the mounted root's device: what is mounted there is not ours.
        if (st.st_dev != m_device)
            return fail(path, EXDEV);
        if (depth >= maxDepth)
            return fail(path, ELOOP);
        // An unpacked or copied app may hold folders without write access for their owner.
        if ((st.st_mode & S_IRWXU) != S_IRWXU
            && ::fchmodat(dirFd, name.c_str(), (st.st_mode & 07777) | S_IRWXU, 0) != 0)
            return fail(path);
        {
            const FileDescriptor dir(::openat(dirFd, name.c_str(),
                                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            struct stat opened {};
            if (!dir.valid() || ::fstat(dir.get(), &opened) != 0)
                return fail(path);
            // Something else was put or mounted there since the look above.
            if (opened.st_dev != st.st_dev || opened.st_ino != st.st_ino)
                return fail(path, EXDEV);
            for (const std::string &child : names(dir.get(), path))
                removeEntry(dir.get(), child, path + '/' + child, depth + 1);
        }
        if (::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
            fail(path);
    }

private:
    void fail(const std::string &path, int error = errno)
    {
        if (m_result.ok())
            m_result = {error, path};
    }

    // The names in a folder, read before anything in it changes.
    std::vector<std::string> names(int dirFd, const std::string &path)
    {
        std::vector<std::string> found;
        const int copy = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR *dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
        if (!dir) {
            fail(path);
            if (copy >= 0)
                ::close(copy);
            return found;
        }
        errno = 0;
        while (const dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                found.push_back(name);
            errno = 0;
        }
        if (errno != 0)
            fail(path);
        ::closedir(dir);
        return found;
    }

    dev_t m_device;
    TreeRemoval m_result;
};

} // namespace

TreeRemoval removeTree(const std::string &path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        return {EINVAL, path};
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : trimmed.substr(0, slash);

    const FileDescriptor parentFd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!parentFd.valid() || ::fstat(parentFd.get(), &st) != 0)
        return errno == ENOENT ? TreeRemoval {} : TreeRemoval {errno, parent};
    Remover remover(st.st_dev);
    remover.removeEntry(parentFd.get(), name, trimmed, 0);
    return remover.result();
}

} // namespace posix
