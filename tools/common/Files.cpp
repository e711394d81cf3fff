#include "Files.h"

#include "Failure.h"

#include "posix/TreeRemoval.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vtools {

std::string readOpenFile(int fd, const std::string &what, size_t maxSize)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throwSystemError(what);
    if (!S_ISREG(st.st_mode))
        throw Failure(what + ": not a regular file");
    if (static_cast<unsigned long long>(st.st_size) > maxSize)
        throw Failure(what + ": file too large");
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwSystemError(what);
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<size_t>(n));
        if (content.size() > maxSize)
            throw Failure(what + ": file too large");
    }
    return content;
}

namespace {

void writeAll(int fd, const std::string &content, const std::string &what)
{
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwSystemError(what);
        }
        done += static_cast<size_t>(n);
    }
}

void writeNew(int dirFd, const std::string &name, const std::string &what,
              const std::string &content, mode_t mode)
{
    posix::FileDescriptor fd(::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         mode));
    if (!fd.valid())
        throwSystemError(what);
    try {
        // The umask may have taken bits away; a secret must end exactly at 0600.
        if (::fchmod(fd.get(), mode) != 0)
            throwSystemError(what);
        writeAll(fd.get(), content, what);
        if (::close(fd.release()) != 0)
            throwSystemError(what);
    } catch (...) {
        ::unlinkat(dirFd, name.c_str(), 0);
        throw;
    }
}

} // namespace

std::string readFile(const std::string &path, size_t maxSize)
{
    posix::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        throwSystemError(path);
    return readOpenFile(fd.get(), path, maxSize);
}

std::optional<std::string> readFileAt(int dirFd, const std::string &name, size_t maxSize)
{
    posix::FileDescriptor fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT)
            return std::nullopt;
        throwSystemError(name);
    }
    return readOpenFile(fd.get(), name, maxSize);
}

void writeNewFile(const std::string &path, const std::string &content, mode_t mode)
{
    writeNew(AT_FDCWD, path, path, content, mode);
}

void writeNewFileAt(int dirFd, const std::string &name, const std::string &content, mode_t mode)
{
    writeNew(dirFd, name, name, content, mode);
}

std::vector<std::string> listFolder(int dirFd, const std::string &shown)
{
    const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        throwSystemError(shown);
    }
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0) {
        errno = error;
        throwSystemError(shown);
    }
    return names;
}

bool pathExists(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string fileName(const std::string &path)
{
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const size_t slash = path.rfind('/', end - 1);
    return slash == std::string::npos ? path.substr(0, end) : path.substr(slash + 1, end - slash - 1);
}

std::string parentPath(const std::string &path)
{
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const size_t slash = path.rfind('/', end - 1);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string absolutePath(const std::string &path)
{
    std::string full = path;
    if (full.empty() || full.front() != '/') {
        std::vector<char> cwd(4096);
        while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
            if (errno != ERANGE)
                throwSystemError("getcwd");
            cwd.resize(cwd.size() * 2);
        }
        full = std::string(cwd.data()) + "/" + full;
    }
    std::string out;
    size_t i = 0;
    while (i < full.size()) {
        const size_t slash = full.find('/', i);
        const size_t end = slash == std::string::npos ? full.size() : slash;
        const std::string part = full.substr(i, end - i);
        if (!part.empty() && part != ".")
            out += "/" + part;
        i = end + 1;
    }
    return out.empty() ? "/" : out;
}

void removeTree(const std::string &path)
{
    const posix::TreeRemoval removed = posix::removeTree(path);
    if (removed.error == EXDEV)
        throw Failure(removed.path + ": another file system is mounted here");
    if (!removed.ok())
        throw Failure(removed.path + ": " + std::strerror(removed.error));
}

} // namespace vtools
