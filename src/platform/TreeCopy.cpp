#include "platform/TreeCopy.h"

#include "platform/FileDescriptor.h"
#include "posix/TreeRemoval.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {
constexpr mode_t keptModeBits = 0777;


// An entry in a folder opened as a descriptor, with its path for messages and its depth.
struct Entry {
    int dirFd;
    std::string name;
    std::string path;
    int depth = 0;

    Entry child(int fd, const std::string &childName) const
    {
        return {fd, childName, path + '/' + childName, depth + 1};
    }
};

[[noreturn]] void fail(const std::string &path, int error = errno)
{
    throw TreeCopy::Error(error, path);
}

void check(bool ok, const std::string &path)
{
    if (!ok)
        fail(path);
}

// Names in a folder, read before anything in it changes.
std::vector<std::string> listNames(int dirFd, const std::string &path)
{
    const int copy = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    check(copy >= 0, path);
    DIR *dir = ::fdopendir(copy);
    if (!dir) {
        const int error = errno;
        ::close(copy);
        fail(path, error);
    }
    std::unique_ptr<DIR, int (*)(DIR *)> closer(dir, ::closedir);
    ::rewinddir(dir);
    std::vector<std::string> names;
    errno = 0;
    while (const dirent *e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
        errno = 0;
    }
    check(errno == 0, path);
    return names;
}

void copyExtendedAttributes(int from, int to, const std::string &path)
{
    const ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size <= 0)
        return;  // none, or the source file system keeps none
    std::vector<char> names(size_t(size) + 1, '\0');
    const ssize_t got = ::flistxattr(from, names.data(), names.size() - 1);
    check(got >= 0, path);
    for (const char *name = names.data(); name < names.data() + got; name += strlen(name) + 1) {
        if (std::string_view(name).substr(0, 5) != "user.")
            continue;  // other name spaces belong to the system, not to the app
        const ssize_t length = ::fgetxattr(from, name, nullptr, 0);
        check(length >= 0, path);
        std::vector<char> value(size_t(length) + 1);
        const ssize_t read = ::fgetxattr(from, name, value.data(), value.size() - 1);
        check(read >= 0, path);
        if (::fsetxattr(to, name, value.data(), size_t(read), 0) != 0 && errno != ENOTSUP)
            fail(path);
    }
}

void copyContents(int from, int to, const std::string &path)
{
    // copy_file_range lets the kernel share or copy extents; plain reads cover the rest.
    for (;;) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
                break;
            fail(path);
        }
    }
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(path);
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            check(w > 0, path);
            done += w;
        }
    }
}

void finish(int from, int to, const struct stat &st, const std::string &path)
{
    copyExtendedAttributes(from, to, path);
    check(::fchmod(to, st.st_mode & keptModeBits) == 0, path);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    check(::futimens(to, times) == 0, path);
}

void copyEntry(const Entry &from, const Entry &to);

void copyFile(const Entry &from, const Entry &to, const struct stat &st)
{
    FileDescriptor source(::openat(from.dirFd, from.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    check(source.valid(), from.path);
    FileDescriptor target(::openat(to.dirFd, to.name.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    check(target.valid(), to.path);
    copyContents(source.get(), target.get(), to.path);
    finish(source.get(), target.get(), st, to.path);
}

void copyLink(const Entry &from, const Entry &to, const struct stat &st)
{
    std::vector<char> target(size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    const ssize_t n = ::readlinkat(from.dirFd, from.name.c_str(), target.data(), target.size() - 1);
    check(n >= 0, from.path);
    target[size_t(n)] = '\0';
    check(::symlinkat(target.data(), to.dirFd, to.name.c_str()) == 0, to.path);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(to.dirFd, to.name.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

void copyFolder(const Entry &from, const Entry &to, const struct stat &st)
{
    FileDescriptor source(::openat(from.dirFd, from.name.c_str(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    check(source.valid(), from.path);
    // Writable until filled; the folder's own permissions are set last.
    check(::mkdirat(to.dirFd, to.name.c_str(), 0700) == 0, to.path);
    FileDescriptor target(::openat(to.dirFd, to.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    check(target.valid(), to.path);
    for (const std::string &name : listNames(source.get(), from.path))
        copyEntry(from.child(source.get(), name), to.child(target.get(), name));
    finish(source.get(), target.get(), st, to.path);
}

void copyEntry(const Entry &from, const Entry &to)
{
    struct stat st;
    check(::fstatat(from.dirFd, from.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0, from.path);
    if (from.depth > TreeCopy::maxDepth)
        fail(from.path, ELOOP);
    if (S_ISREG(st.st_mode))
        copyFile(from, to, st);
    else if (S_ISDIR(st.st_mode))
        copyFolder(from, to, st);
    else if (S_ISLNK(st.st_mode))
        copyLink(from, to, st);
    else
        fail(from.path, EOPNOTSUPP);
}

constexpr qint64 blockSize = 4096;

qint64 spaceOf(const Entry &entry)
{
    struct stat st;
    check(::fstatat(entry.dirFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0, entry.path);
    if (entry.depth > TreeCopy::maxDepth)
        fail(entry.path, ELOOP);
    if (!S_ISDIR(st.st_mode))
        return blockSize + (S_ISREG(st.st_mode) ? (qint64(st.st_size) + blockSize - 1) / blockSize * blockSize : 0);
    FileDescriptor dir(::openat(entry.dirFd, entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    check(dir.valid(), entry.path);
    qint64 total = blockSize;
    for (const std::string &name : listNames(dir.get(), entry.path))
        total += spaceOf(entry.child(dir.get(), name));
    return total;
}

// The parent folder of a path, opened, and the path's last component.
struct Parent {
    std::unique_ptr<FileDescriptor> fd;
    std::string name;
    std::string path;
};

Parent openParent(const QString &path)
{
    const QFileInfo info(path);
    const std::string parent = QFile::encodeName(info.absolutePath()).toStdString();
    Parent p{std::make_unique<FileDescriptor>(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
             QFile::encodeName(info.fileName()).toStdString(),
             QFile::encodeName(info.absoluteFilePath()).toStdString()};
    check(p.fd->valid(), parent);
    return p;
}
} // namespace

void TreeCopy::copy(const QString &from, const QString &to)
{
    const Parent source = openParent(from);
    const Parent target = openParent(to);
    copyEntry({source.fd->get(), source.name, source.path},
              {target.fd->get(), target.name, target.path});
}

qint64 TreeCopy::spaceNeeded(const QString &from)
{
    const Parent source = openParent(from);
    return spaceOf({source.fd->get(), source.name, source.path});
}

TreeCopy::Space TreeCopy::spaceOn(const QString &folder)
{
    struct statvfs fs {};
    const QByteArray path = QFile::encodeName(folder);
    check(::statvfs(path.constData(), &fs) == 0, path.toStdString());
    return {qint64(fs.f_bavail) * qint64(fs.f_frsize), qint64(fs.f_blocks) * qint64(fs.f_frsize)};
}

bool TreeCopy::remove(const QString &path) noexcept
{
    try {
        return posix::removeTree(QFile::encodeName(path).toStdString()).ok();
    } catch (const std::exception &) {
        return false;  // out of memory
    }
}
