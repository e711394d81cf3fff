#include "HdiutilCommands.h"

#include "posix/ChildProcess.h"
#include "Failure.h"
#include "Files.h"
#include "MountArea.h"

#include <sys/mount.h>
#include <unistd.h>

#include <iostream>
#include <set>

namespace hdiutil {

namespace {

int detachFailed(const std::string &reason)
{
    std::cerr << "hdiutil: detach failed - " << reason << "\n";
    return 1;
}

// Returns an empty text on success, else why the volume is still mounted.
std::string unmount(const MountArea &area, bool force)
{
    const std::string fusermount = posix::ChildProcess::findSystemProgram("fusermount3");
    std::string output;
    if (!fusermount.empty()) {
        std::vector<std::string> args = {"-u"};
        if (force)
            args.push_back("-z");
        args.push_back(area.volume());
        output = posix::ChildProcess::run(fusermount, args).output;
    } else if (::geteuid() == 0) {
        ::umount2(area.volume().c_str(), force ? MNT_DETACH : 0);
    }
    if (!area.isMounted())
        return {};
    return output.empty() ? std::string("Resource busy") : output;
}

} // namespace

int detach(const std::string &mountPoint, const std::vector<std::string> &options)
{
    static const std::set<std::string> known = {"-quiet", "-force"};
    bool quiet = false, force = false;
    for (const std::string &option : options) {
        if (known.count(option) == 0)
            return detachFailed("unknown option " + option);
        quiet = quiet || option == "-quiet";
        force = force || option == "-force";
    }
    try {
        const MountArea area = MountArea::ofMountPoint(mountPoint);
        const bool fuse = area.recordedKind() == MountArea::Kind::Fuse;
        if (fuse && area.isMounted()) {
            const std::string why = unmount(area, force);
            if (!why.empty()) {
                std::cerr << "hdiutil: couldn't unmount \"" << mountPoint << "\" - " << why
                          << (why.back() == '\n' ? "" : "\n");
                return 1;
            }
        }
        if (area.isMounted())
            return detachFailed("something else is mounted on " + mountPoint);
        if (vtools::pathExists(area.volume())) {
            // An unmounted FUSE mount point is an empty folder; anything else is an unpacked image.
            if (fuse) {
                if (::rmdir(area.volume().c_str()) != 0)
                    vtools::throwSystemError(area.volume());
            } else {
                vtools::removeTree(area.volume());
            }
        }
        area.removeFolder();
    } catch (const vtools::Failure &failure) {
        return detachFailed(failure.what());
    }
    if (!quiet)
        std::cout << "\"" << mountPoint << "\" ejected.\n";
    return 0;
}

} // namespace hdiutil
