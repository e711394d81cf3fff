#include "SealVerifier.h"

#include "BundleTree.h"
#include "Failure.h"
#include "FileHasher.h"
#include "Files.h"
#include "LinkCheck.h"
#include "OpenBeneath.h"
#include "SealLayout.h"
#include "Text.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <set>

namespace vtools {

namespace {

using Node = BundleTree::Node;
using Entry = Manifest::Entry;
using Problem = Report::Problem;

bool isUnder(const std::string &path, const std::string &folder)
{
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0
        && path[folder.size()] == '/';
}

bool sameKind(Node::Kind node, Entry::Kind entry)
{
    return (node == Node::Kind::File && entry == Entry::Kind::File)
        || (node == Node::Kind::Directory && entry == Entry::Kind::Directory)
        || (node == Node::Kind::Symlink && entry == Entry::Kind::Symlink);
}

// Compares what is on disk with the manifest, entry by entry (both sorted by path), and lists
// the files whose content still has to be hashed.
class TreeComparison {
public:
    TreeComparison(const Manifest &manifest, const BundleTree &tree, Report &report)
        : manifest_(manifest), tree_(tree), report_(report)
    {
    }

    void run()
    {
        const auto &entries = manifest_.entries;
        const auto &nodes = tree_.nodes;
        size_t i = 0, j = 0;
        while (i < entries.size() || j < nodes.size()) {
            if (j == nodes.size() || (i < entries.size() && entries[i].path < nodes[j].path)) {
                missing(entries[i]);
                i = skipUnder(entries, i);
            } else if (i == entries.size() || nodes[j].path < entries[i].path) {
                added(nodes[j]);
                j = skipUnder(nodes, j);
            } else {
                compare(entries[i], nodes[j]);
                ++i;
                ++j;
            }
        }
    }

    std::vector<FileHasher::Job> jobs;
    std::vector<const Entry *> jobEntries;

private:
    // After a folder is reported missing or added, its contents are not listed one by one.
    template <typename List>
    static size_t skipUnder(const List &list, size_t index)
    {
        const std::string &folder = list[index].path;
        size_t next = index + 1;
        while (next < list.size() && isUnder(list[next].path, folder))
            ++next;
        return next;
    }

    void missing(const Entry &entry)
    {
        report_.add(Problem::SealedResource, "file missing: " + text::escaped(entry.path));
    }

    void added(const Node &node)
    {
        report_.add(Problem::SealedResource, "file added: " + text::escaped(node.path));
    }

    void modified(const std::string &path)
    {
        report_.add(Problem::SealedResource, "file modified: " + text::escaped(path));
    }

    void compare(const Entry &entry, const Node &node)
    {
        if (!sameKind(node.kind, entry.kind)) {
            modified(entry.path);
            return;
        }
        if (entry.kind == Entry::Kind::Symlink && entry.target != node.target) {
            modified(entry.path);
        } else if (entry.kind == Entry::Kind::File) {
            if (((node.mode & 0111) != 0) != entry.executable) {
                modified(entry.path);
                return;
            }
            jobs.push_back({node.path, node.device, node.inode});
            jobEntries.push_back(&entry);
        }
    }

    const Manifest &manifest_;
    const BundleTree &tree_;
    Report &report_;
};

void checkContents(int bundleFd, const Seal &seal, const BundleTree &tree, Report &report)
{
    TreeComparison comparison(seal.manifest, tree, report);
    comparison.run();
    const auto results = FileHasher(bundleFd).hash(comparison.jobs);
    for (size_t k = 0; k < results.size(); ++k) {
        const Entry &entry = *comparison.jobEntries[k];
        if (!results[k].digest || *results[k].digest != entry.digest)
            report.add(Problem::SealedResource, "file modified: " + text::escaped(entry.path));
    }
}

void checkLinks(const BundleTree &tree, Report &report)
{
    LinkCheck links;
    for (const Node &node : tree.nodes) {
        const auto kind = node.kind == Node::Kind::Directory ? LinkCheck::Kind::Directory
            : node.kind == Node::Kind::Symlink               ? LinkCheck::Kind::Symlink
                                                             : LinkCheck::Kind::File;
        links.add(node.path, kind, node.target);
    }
    for (const Node &node : tree.nodes) {
        if (node.kind == Node::Kind::Symlink && !links.staysInside(node.path))
            report.add(Problem::LinkOutside, "symbolic link leaves the bundle: "
                           + text::escaped(node.path) + " -> " + text::escaped(node.target));
    }
}

void checkMode(const std::string &path, mode_t mode, Report &report)
{
    if (S_ISLNK(mode))
        return; // a link's own mode means nothing
    if (mode & S_ISUID)
        report.add(Problem::UnsafePermissions, "set-user-id file: " + text::escaped(path));
    if (mode & S_ISGID)
        report.add(Problem::UnsafePermissions, "set-group-id file: " + text::escaped(path));
    if (mode & S_IWOTH)
        report.add(Problem::UnsafePermissions, "world-writable: " + text::escaped(path));
}

void checkStrict(const Seal &seal, const BundleTree &tree, Report &report)
{
    checkMode(".", tree.rootMode, report);
    for (const Node &node : tree.nodes)
        checkMode(node.path, node.mode, report);
    for (const auto &file : seal.sealFiles)
        checkMode(file.path, file.mode, report);
    const std::string executable = std::string(layout::macOS) + "/" + seal.manifest.executable;
    bool hasInfo = false, hasExecutable = false;
    for (const Entry &e : seal.manifest.entries) {
        hasInfo = hasInfo || (e.path == layout::infoPlist && e.kind == Entry::Kind::File);
        hasExecutable = hasExecutable || (e.path == executable && e.kind == Entry::Kind::File);
    }
    if (!hasInfo)
        report.add(Problem::InvalidResources, "the seal does not cover Contents/Info.plist");
    if (!hasExecutable)
        report.add(Problem::InvalidResources,
                   "the seal does not cover the main executable " + text::escaped(executable));
}

std::vector<std::string> folderPaths(const BundleTree &tree)
{
    std::vector<std::string> out;
    for (const Node &node : tree.nodes) {
        if (node.kind == Node::Kind::Directory)
            out.push_back(node.path);
    }
    return out;
}

} // namespace

std::vector<std::string> outermostNestedBundles(const std::vector<std::string> &folderPaths)
{
    std::vector<std::string> out;
    std::set<std::string> bundles;
    for (const std::string &path : folderPaths) {
        if (!text::endsWith(fileName(path), layout::bundleSuffix))
            continue;
        bool insideAnother = false;
        for (size_t slash = path.find('/'); slash != std::string::npos && !insideAnother;
             slash = path.find('/', slash + 1))
            insideAnother = bundles.count(path.substr(0, slash)) > 0;
        bundles.insert(path);
        if (!insideAnother)
            out.push_back(path);
    }
    return out;
}

int openBundleFolder(const std::string &bundlePath, Report &report)
{
    struct stat st {};
    if (::lstat(bundlePath.c_str(), &st) != 0) {
        if (errno == ENOENT)
            report.add(Problem::NoSuchFile);
        else
            report.add(Problem::Unreadable, systemError(text::escaped(bundlePath)));
        return -1;
    }
    posix::FileDescriptor fd(::open(bundlePath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!S_ISDIR(st.st_mode) || !fd.valid()) {
        report.add(Problem::BundleFormat);
        return -1;
    }
    return fd.release();
}

SealVerifier::Result SealVerifier::verify(const std::string &bundlePath) const
{
    Result result;
    posix::FileDescriptor fd(openBundleFolder(bundlePath, result.report));
    if (!fd.valid())
        return result;
    return verifyOpen(fd.get(), absolutePath(bundlePath));
}

SealVerifier::Result SealVerifier::verifyOpen(int bundleFd, const std::string &absolute) const
{
    Result result;
    result.seal = Seal::read(bundleFd, result.report);
    if (!result.seal)
        return result;
    BundleTree tree;
    try {
        tree = BundleTree::scan(bundleFd, layout::signatureFolder);
    } catch (const Failure &failure) {
        result.report.add(Problem::Unreadable, failure.what());
        return result;
    }
    checkContents(bundleFd, *result.seal, tree, result.report);
    checkLinks(tree, result.report);
    if (options_.strict)
        checkStrict(*result.seal, tree, result.report);
    if (!options_.deep)
        return result;
    for (const std::string &nested : outermostNestedBundles(folderPaths(tree))) {
        const std::string nestedPath = absolute + "/" + nested;
        posix::FileDescriptor nestedFd(openBeneath(bundleFd, nested, O_RDONLY | O_DIRECTORY));
        Result inner;
        if (nestedFd.valid())
            inner = verifyOpen(nestedFd.get(), nestedPath);
        else
            inner.report.add(Problem::Unreadable, text::escaped(nested));
        result.report.addNested(nestedPath, inner.report);
        if (inner.seal)
            result.nestedCertificates.push_back(inner.seal->certificate);
        result.nestedCertificates.insert(result.nestedCertificates.end(),
                                         inner.nestedCertificates.begin(),
                                         inner.nestedCertificates.end());
    }
    return result;
}

} // namespace vtools
