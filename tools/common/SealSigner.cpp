#include "SealSigner.h"

#include "BundleTree.h"
#include "Failure.h"
#include "FileHasher.h"
#include "Files.h"
#include "LinkCheck.h"
#include "OpenBeneath.h"
#include "SealLayout.h"
#include "SealReader.h"
#include "SealVerifier.h"
#include "Text.h"

#include "posix/InfoPlist.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vtools {

namespace {

using Node = BundleTree::Node;
using Problem = Report::Problem;

[[noreturn]] void refuse(const std::string &bundle, const std::string &message)
{
    throw Failure(text::escaped(bundle) + ": " + message);
}

// The bundle's identifier and executable, both present and valid.
posix::InfoPlist readInfo(int bundleFd, const std::string &bundle)
{
    posix::FileDescriptor fd(openBeneath(bundleFd, layout::infoPlist, O_RDONLY | O_NONBLOCK));
    if (!fd.valid())
        refuse(bundle, "bundle format unrecognized, invalid, or unsuitable (no Contents/Info.plist)");
    const auto info = posix::InfoPlist::parse(readOpenFile(fd.get(), layout::infoPlist, 1u << 20));
    if (!info)
        refuse(bundle, "Contents/Info.plist is not a property list");
    if (!text::isValidBundleIdentifier(info->identifier.value_or("")))
        refuse(bundle, "Contents/Info.plist has no valid CFBundleIdentifier");
    if (!text::isValidFileName(info->executable.value_or("")))
        refuse(bundle, "Contents/Info.plist has no valid CFBundleExecutable");
    return *info;
}

bool hasSeal(int bundleFd)
{
    posix::FileDescriptor fd(openBeneath(bundleFd, layout::signatureFolder, O_RDONLY | O_DIRECTORY));
    return fd.valid() || errno != ENOENT;
}

// What would make the seal unsafe or meaningless; reported all at once.
Report checkTree(const BundleTree &tree, const std::string &executablePath)
{
    Report report;
    LinkCheck links;
    bool hasExecutable = false;
    for (const Node &node : tree.nodes) {
        const auto kind = node.kind == Node::Kind::Directory ? LinkCheck::Kind::Directory
            : node.kind == Node::Kind::Symlink               ? LinkCheck::Kind::Symlink
                                                             : LinkCheck::Kind::File;
        links.add(node.path, kind, node.target);
        hasExecutable = hasExecutable || (node.path == executablePath && node.kind == Node::Kind::File);
        if (node.kind == Node::Kind::Other)
            report.add(Problem::SealedResource,
                       "unsupported file type or mount point: " + text::escaped(node.path));
        if (node.kind != Node::Kind::Symlink && (node.mode & (S_ISUID | S_ISGID | S_IWOTH)))
            report.add(Problem::UnsafePermissions,
                       "set-user-id, set-group-id or world-writable: " + text::escaped(node.path));
    }
    for (const Node &node : tree.nodes) {
        if (node.kind == Node::Kind::Symlink && !links.staysInside(node.path))
            report.add(Problem::LinkOutside, "symbolic link leaves the bundle: "
                           + text::escaped(node.path) + " -> " + text::escaped(node.target));
    }
    if (!hasExecutable)
        report.add(Problem::BundleFormat,
                   "main executable missing: " + text::escaped(executablePath));
    return report;
}

Manifest buildManifest(int bundleFd, const BundleTree &tree, const posix::InfoPlist &info,
                       const std::string &teamIdentifier)
{
    Manifest manifest;
    manifest.identifier = *info.identifier;
    manifest.teamIdentifier = teamIdentifier;
    manifest.executable = *info.executable;
    std::vector<FileHasher::Job> jobs;
    std::vector<size_t> jobEntries;
    for (const Node &node : tree.nodes) {
        Manifest::Entry entry;
        entry.path = node.path;
        if (node.kind == Node::Kind::Directory) {
            entry.kind = Manifest::Entry::Kind::Directory;
        } else if (node.kind == Node::Kind::Symlink) {
            entry.kind = Manifest::Entry::Kind::Symlink;
            entry.target = node.target;
        } else {
            entry.kind = Manifest::Entry::Kind::File;
            entry.executable = (node.mode & 0111) != 0;
            jobs.push_back({node.path, node.device, node.inode});
            jobEntries.push_back(manifest.entries.size());
        }
        manifest.entries.push_back(std::move(entry));
    }
    const auto results = FileHasher(bundleFd).hash(jobs);
    for (size_t k = 0; k < results.size(); ++k) {
        if (!results[k].digest)
            throw Failure(text::escaped(jobs[k].path) + ": " + results[k].error);
        manifest.entries[jobEntries[k]].digest = *results[k].digest;
    }
    return manifest;
}

void removeSeal(int bundleFd, const std::string &bundle)
{
    posix::FileDescriptor folder(openBeneath(bundleFd, layout::signatureFolder, O_RDONLY | O_DIRECTORY));
    if (!folder.valid()) {
        if (errno == ENOENT)
            return;
        refuse(bundle, "cannot replace the existing signature: " + systemError(layout::signatureFolder));
    }
    const std::vector<std::string> names = listFolder(folder.get(), layout::signatureFolder);
    for (const std::string &name : names) {
        if (::unlinkat(folder.get(), name.c_str(), 0) != 0)
            refuse(bundle, "cannot replace the existing signature: "
                       + systemError(std::string(layout::signatureFolder) + "/" + name));
    }
    posix::FileDescriptor contents(openBeneath(bundleFd, layout::contents, O_RDONLY | O_DIRECTORY));
    if (!contents.valid() || ::unlinkat(contents.get(), layout::signatureFolderName, AT_REMOVEDIR) != 0)
        refuse(bundle, "cannot replace the existing signature: " + systemError(layout::signatureFolder));
}

void writeSeal(int bundleFd, const std::string &manifestText, const Identity &identity)
{
    posix::FileDescriptor contents(openBeneath(bundleFd, layout::contents, O_RDONLY | O_DIRECTORY));
    if (!contents.valid())
        throwSystemError(layout::contents);
    if (::mkdirat(contents.get(), layout::signatureFolderName, 0755) != 0)
        throwSystemError(layout::signatureFolder);
    posix::FileDescriptor folder(openBeneath(bundleFd, layout::signatureFolder, O_RDONLY | O_DIRECTORY));
    if (!folder.valid() || ::fchmod(folder.get(), 0755) != 0)
        throwSystemError(layout::signatureFolder);
    ed25519::KeyPair pair = ed25519::fromSeed(identity.key.seed);
    const ed25519::Signature signature = ed25519::sign(Seal::signedText(manifestText), pair.secretKey);
    ed25519::wipe(pair.secretKey);
    writeNewFileAt(folder.get(), layout::manifestFile, manifestText, 0644);
    writeNewFileAt(folder.get(), layout::signatureFile,
                   std::string(signature.begin(), signature.end()), 0644);
    writeNewFileAt(folder.get(), layout::certificateFile, identity.certificate.format(), 0644);
}

std::vector<std::string> nestedBundles(int bundleFd)
{
    const BundleTree tree = BundleTree::scan(bundleFd, layout::signatureFolder);
    std::vector<std::string> folders;
    for (const Node &node : tree.nodes) {
        if (node.kind == Node::Kind::Directory)
            folders.push_back(node.path);
    }
    return outermostNestedBundles(folders);
}

} // namespace

void SealSigner::sign(const std::string &bundlePath) const
{
    struct stat st {};
    if (::lstat(bundlePath.c_str(), &st) != 0)
        refuse(bundlePath, "No such file or directory");
    posix::FileDescriptor fd(::open(bundlePath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!S_ISDIR(st.st_mode) || !fd.valid())
        refuse(bundlePath, "bundle format unrecognized, invalid, or unsuitable");
    signOpen(fd.get(), absolutePath(bundlePath));
}

void SealSigner::prepareNested(int bundleFd, const std::string &absolute) const
{
    for (const std::string &nested : nestedBundles(bundleFd)) {
        const std::string nestedPath = absolute + "/" + nested;
        posix::FileDescriptor nestedFd(openBeneath(bundleFd, nested, O_RDONLY | O_DIRECTORY));
        if (!nestedFd.valid())
            throwSystemError(text::escaped(nestedPath));
        if (options_.deep) {
            signOpen(nestedFd.get(), nestedPath);
            continue;
        }
        // Without --deep a nested bundle must already carry a valid seal: the outer seal then
        // covers it as it is.
        const auto result = SealVerifier({.deep = true, .strict = true}).verify(nestedPath);
        if (!result.ok()) {
            Report report;
            report.addNested(nestedPath, result.report);
            throw Failure(report.render(absolute) + "(sign nested code first, or use --deep)");
        }
    }
}

void SealSigner::signOpen(int bundleFd, const std::string &absolute) const
{
    const posix::InfoPlist info = readInfo(bundleFd, absolute);
    if (!options_.force && hasSeal(bundleFd))
        refuse(absolute, "is already signed");
    prepareNested(bundleFd, absolute);
    const BundleTree tree = BundleTree::scan(bundleFd, layout::signatureFolder);
    const Report problems = checkTree(tree, std::string(layout::macOS) + "/" + *info.executable);
    if (!problems.ok()) {
        std::string message = problems.render(absolute);
        message.pop_back();
        throw Failure(message);
    }
    const Manifest manifest =
        buildManifest(bundleFd, tree, info, identity_.certificate.teamIdentifier);
    const std::string manifestText = manifest.format();
    removeSeal(bundleFd, absolute);
    writeSeal(bundleFd, manifestText, identity_);
}

} // namespace vtools
