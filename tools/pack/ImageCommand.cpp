#include "PackCommands.h"

#include "Bytes.h"
#include "Failure.h"
#include "Files.h"
#include "SealLayout.h"
#include "Sha256.h"
#include "Text.h"

#include "posix/ChildProcess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <set>

namespace pack {

namespace {

std::vector<std::string> checkedBundles(const std::vector<std::string> &paths)
{
    std::vector<std::string> out;
    std::set<std::string> names;
    for (const std::string &path : paths) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            throw vtools::Failure(path + ": not an app bundle folder");
        const std::string name = vtools::fileName(path);
        if (!vtools::text::endsWith(name, vtools::layout::bundleSuffix))
            throw vtools::Failure(path + ": the name of an app bundle ends in .app");
        if (!names.insert(name).second)
            throw vtools::Failure(name + ": two bundles of the same name");
        out.push_back(vtools::absolutePath(path));
    }
    return out;
}

struct Download {
    unsigned long long size = 0;
    vtools::Digest sha256 {};
};

Download describe(int fd, const std::string &path)
{
    struct stat opened {}, named {};
    if (::fstat(fd, &opened) != 0 || ::stat(path.c_str(), &named) != 0)
        vtools::throwSystemError(path);
    if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
        throw vtools::Failure(path + ": replaced while mksquashfs wrote it");
    if (::lseek(fd, 0, SEEK_SET) != 0)
        vtools::throwSystemError(path);
    std::vector<unsigned char> buffer(1 << 20);
    Download download;
    download.sha256 = vtools::sha256OfFile(fd, buffer);
    if (::fstat(fd, &opened) != 0)
        vtools::throwSystemError(path);
    download.size = static_cast<unsigned long long>(opened.st_size);
    return download;
}

} // namespace

void image(const Arguments &args)
{
    if (args.operands.size() < 2)
        throw vtools::Failure("image needs an output file and at least one app bundle");
    const std::string out = vtools::absolutePath(args.operands.front());
    const auto bundles = checkedBundles({args.operands.begin() + 1, args.operands.end()});
    const std::string mksquashfs = posix::ChildProcess::findSystemProgram("mksquashfs");
    if (mksquashfs.empty())
        throw vtools::Failure("mksquashfs is not installed (package squashfs-tools)");

    // Built beside the result and renamed over it, so a reader never sees half an image.
    std::string temporary = out + ".XXXXXX";
    const posix::FileDescriptor image(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!image.valid())
        vtools::throwSystemError(temporary);
    std::vector<std::string> command(bundles.begin(), bundles.end());
    command.push_back(temporary);
    // Owners are the maker's, not the user's business; modes, links and extended attributes
    // are kept. With SOURCE_DATE_EPOCH unset the creation and root folder times are fixed, so the same bundles
    // give the same image.
    for (const char *option : {"-noappend", "-no-progress", "-quiet", "-all-root", "-exit-on-error",
                               "-root-mode", "0755"})
        command.emplace_back(option);
    if (bundles.size() == 1)
        command.emplace_back("-keep-as-directory");
    if (!std::getenv("SOURCE_DATE_EPOCH")) {
        for (const char *option : {"-mkfs-time", "0", "-root-time", "0"})
            command.emplace_back(option);
    }
    const auto result = posix::ChildProcess::run(mksquashfs, command);
    if (result.exitStatus != 0) {
        ::unlink(temporary.c_str());
        throw vtools::Failure("mksquashfs failed:\n" + result.output);
    }
    // mksquashfs writes its superblock last, at the start: the bytes can only be hashed once
    // they are all there. They are read through the descriptor made above, so what is
    // described is the file that is renamed into place.
    try {
        const Download download = describe(image.get(), temporary);
        if (::fchmod(image.get(), 0644) != 0 || ::rename(temporary.c_str(), out.c_str()) != 0)
            vtools::throwSystemError(out);
        std::cout << out << "\n\"downloadSize\": " << download.size << ",\n\"downloadSHA256\": \""
                  << vtools::toHex(download.sha256) << "\"\n";
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

} // namespace pack
