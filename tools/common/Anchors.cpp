#include "Anchors.h"

#include "Failure.h"
#include "Files.h"
#include "Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace vtools {

namespace {

std::string ownExecutable()
{
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size())
        throwSystemError("/proc/self/exe");
    return std::string(buffer.data(), static_cast<size_t>(n));
}

std::optional<RootPublicKey> readAnchor(int folderFd, const std::string &name)
{
    posix::FileDescriptor fd(::openat(folderFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IWOTH))
        return std::nullopt;
    try {
        return keyfiles::parseRootPublicKey(readOpenFile(fd.get(), name, 4096));
    } catch (const Failure &) {
        return std::nullopt;
    }
}

} // namespace

std::string TrustAnchors::installedFolder()
{
    return parentPath(ownExecutable()) + "/" + VELTRANE_ANCHORS_FROM_TOOLS;
}

TrustAnchors TrustAnchors::load(const std::string &folder)
{
    TrustAnchors anchors;
    posix::FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        anchors.problem_ = systemError(text::escaped(folder));
        return anchors;
    }
    // A folder anyone may write to would let anyone add a root.
    if (st.st_mode & S_IWOTH) {
        anchors.problem_ = text::escaped(folder) + ": the anchors folder is world-writable";
        return anchors;
    }
    std::vector<std::string> names;
    try {
        names = listFolder(fd.get(), text::escaped(folder));
    } catch (const Failure &failure) {
        anchors.problem_ = failure.what();
        return anchors;
    }
    for (const std::string &name : names) {
        if (name.front() == '.' || !text::endsWith(name, ".pub"))
            continue;
        if (auto key = readAnchor(fd.get(), name))
            anchors.keys_.push_back(std::move(*key));
    }
    if (anchors.keys_.empty())
        anchors.problem_ = "no trust anchors are installed";
    return anchors;
}

bool TrustAnchors::trusts(const ed25519::PublicKey &key) const
{
    return std::any_of(keys_.begin(), keys_.end(),
                       [&key](const RootPublicKey &anchor) { return anchor.key == key; });
}

} // namespace vtools
