#include "PackCommands.h"

#include "posix/ChildProcess.h"
#include "Failure.h"
#include "Files.h"
#include "SealLayout.h"
#include "Text.h"

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
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        vtools::throwSystemError(temporary);
    ::close(fd);
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
    if (::chmod(temporary.c_str(), 0644) != 0 || ::rename(temporary.c_str(), out.c_str()) != 0) {
        const std::string error = vtools::systemError(out);
        ::unlink(temporary.c_str());
        throw vtools::Failure(error);
    }
    std::cout << out << "\n";
}

} // namespace pack
