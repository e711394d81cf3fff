#include "OpenBeneath.h"

#include "Files.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace vtools {

namespace {

std::atomic<bool> openat2Missing {false};

int openByComponents(int rootFd, const std::string &path, int flags)
{
    struct stat rootStat {};
    if (::fstat(rootFd, &rootStat) != 0)
        return -1;
    posix::FileDescriptor dir(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
    if (!dir.valid())
        return -1;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('/', start);
        const std::string part = path.substr(start, slash == std::string::npos ? std::string::npos
                                                                                : slash - start);
        if (part.empty() || part == "." || part == "..") {
            errno = EINVAL;
            return -1;
        }
        const bool last = slash == std::string::npos;
        const int partFlags = last ? flags : (O_RDONLY | O_DIRECTORY);
        posix::FileDescriptor next(::openat(dir.get(), part.c_str(), partFlags | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid())
            return -1;
        struct stat st {};
        if (::fstat(next.get(), &st) != 0)
            return -1;
        if (st.st_dev != rootStat.st_dev) {
            errno = EXDEV;
            return -1;
        }
        if (last)
            return next.release();
        dir = std::move(next);
        start = slash + 1;
    }
}

} // namespace

int openBeneath(int rootFd, const std::string &relativePath, int flags)
{
    if (!openat2Missing.load(std::memory_order_relaxed)) {
        struct open_how how {};
        how.flags = static_cast<unsigned long long>(flags | O_NOFOLLOW | O_CLOEXEC);
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
        long fd = -1;
        // EAGAIN reports a concurrent rename somewhere on the system; try again a few times.
        for (int attempt = 0; attempt < 8; ++attempt) {
            fd = ::syscall(SYS_openat2, rootFd, relativePath.c_str(), &how, sizeof how);
            if (fd >= 0 || (errno != EINTR && errno != EAGAIN))
                break;
        }
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM))
            return static_cast<int>(fd);
        // Kernels before 5.6, or a sandbox that forbids the call.
        if (errno == ENOSYS)
            openat2Missing.store(true, std::memory_order_relaxed);
    }
    return openByComponents(rootFd, relativePath, flags);
}

} // namespace vtools
