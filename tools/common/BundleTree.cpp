#include "BundleTree.h"

#include "Failure.h"
#include "Files.h"
#include "SealLayout.h"
#include "Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vtools {

namespace {

class Scanner {
public:
    Scanner(BundleTree &tree, dev_t device, std::string excluded)
        : tree_(tree), device_(device), excluded_(std::move(excluded))
    {
    }

    void scanFolder(int dirFd, const std::string &prefix, int depth)
    {
        if (depth > layout::maxDepth)
            throw Failure(text::escaped(prefix) + ": folders nested too deeply");
        for (const std::string &name : listFolder(dirFd, text::escaped(prefix.empty() ? "." : prefix)))
            visit(dirFd, prefix.empty() ? name : prefix + "/" + name, name, depth);
    }

private:
    void visit(int dirFd, const std::string &path, const std::string &name, int depth)
    {
        if (path == excluded_)
            return;
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            throwSystemError(text::escaped(path));
        if (tree_.nodes.size() >= layout::maxEntries)
            throw Failure("too many files in the bundle");
        BundleTree::Node node;
        node.path = path;
        node.mode = st.st_mode;
        node.device = st.st_dev;
        node.inode = st.st_ino;
        if (S_ISREG(st.st_mode)) {
            node.kind = BundleTree::Node::Kind::File;
        } else if (S_ISLNK(st.st_mode)) {
            node.kind = BundleTree::Node::Kind::Symlink;
            node.target = readLink(dirFd, name, path);
        } else if (S_ISDIR(st.st_mode) && st.st_dev == device_) {
            node.kind = BundleTree::Node::Kind::Directory;
        }
        tree_.nodes.push_back(node);
        if (node.kind == BundleTree::Node::Kind::Directory) {
            posix::FileDescriptor sub(::openat(dirFd, name.c_str(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!sub.valid())
                throwSystemError(text::escaped(path));
            scanFolder(sub.get(), path, depth + 1);
        }
    }

    static std::string readLink(int dirFd, const std::string &name, const std::string &path)
    {
        char buffer[4096];
        const ssize_t n = ::readlinkat(dirFd, name.c_str(), buffer, sizeof buffer);
        if (n < 0)
            throwSystemError(text::escaped(path));
        if (static_cast<size_t>(n) >= sizeof buffer)
            throw Failure(text::escaped(path) + ": symbolic link target too long");
        return std::string(buffer, static_cast<size_t>(n));
    }

    BundleTree &tree_;
    dev_t device_;
    std::string excluded_;
};

} // namespace

BundleTree BundleTree::scan(int rootFd, const std::string &excluded)
{
    struct stat st {};
    if (::fstat(rootFd, &st) != 0)
        throwSystemError("bundle");
    BundleTree tree;
    tree.rootMode = st.st_mode;
    Scanner(tree, st.st_dev, excluded).scanFolder(rootFd, std::string(), 0);
    std::sort(tree.nodes.begin(), tree.nodes.end(),
              [](const Node &a, const Node &b) { return a.path < b.path; });
    return tree;
}

} // namespace vtools
