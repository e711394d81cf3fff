#include "HdiutilCommands.h"

#include "posix/ChildProcess.h"
#include "Failure.h"
#include "Files.h"
#include "FolderTree.h"
#include "ImageFile.h"
#include "MountArea.h"

#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <set>
#include <string_view>
#include <thread>

namespace hdiutil {

namespace {

using posix::ChildProcess;

int attachFailed(const std::string &reason, const std::string &detail = {})
{
    std::cerr << "hdiutil: attach failed - " << reason << "\n";
    if (!detail.empty())
        std::cerr << detail << (detail.back() == '\n' ? "" : "\n");
    return 1;
}

// The test suite forces the unpacking path with VELTRANE_HDIUTIL_NO_FUSE=1; it changes only
// how the image is made readable, never what is checked.
bool fuseWanted()
{
    const char *noFuse = std::getenv("VELTRANE_HDIUTIL_NO_FUSE");
    return !(noFuse && std::string_view(noFuse) == "1") && ::access("/dev/fuse", R_OK | W_OK) == 0;
}

bool waitUntilMounted(const MountArea &area)
{
    for (int i = 0; i < 100; ++i) {
        if (area.isMounted())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool mountWithFuse(const MountArea &area, const std::string &image)
{
    const std::string squashfuse = ChildProcess::findSystemProgram("squashfuse");
    if (squashfuse.empty())
        return false;
    const auto result =
        ChildProcess::run(squashfuse, {"-o", "ro,nodev,nosuid", image, area.volume()});
    if (result.exitStatus == 0 && waitUntilMounted(area))
        return true;
    if (area.isMounted()) {
        const std::string fusermount = ChildProcess::findSystemProgram("fusermount3");
        if (!fusermount.empty())
            ChildProcess::run(fusermount, {"-u", "-z", area.volume()});
    }
    return false;
}

// Unpacks the image into the volume folder and takes every write bit away. Returns the tool's
// output on failure.
std::optional<std::string> unpack(const MountArea &area, const std::string &image)
{
    const std::string unsquashfs = ChildProcess::findSystemProgram("unsquashfs");
    if (unsquashfs.empty())
        return std::string("neither squashfuse nor unsquashfs can be used");
    ::rmdir(area.volume().c_str()); // unsquashfs creates it with the image's own root mode
    const auto result = ChildProcess::run(
        unsquashfs, {"-no-progress", "-quiet", "-user-xattrs", "-d", area.volume(), image});
    if (result.exitStatus != 0)
        return result.output;
    FolderTree::makeReadOnly(area.volume());
    return std::nullopt;
}

void discard(const MountArea &area)
{
    try {
        if (!area.isMounted() && vtools::pathExists(area.volume()))
            vtools::removeTree(area.volume());
        area.removeFolder();
    } catch (const vtools::Failure &) {
        // Best effort: the folder is private and named as ours, so detach can still clear it.
    }
}

std::string plistOutput(const std::string &image, const std::string &mountPoint, bool fuse)
{
    plist_t entity = plist_new_dict();
    plist_dict_set_item(entity, "content-hint", plist_new_string("squashfs"));
    plist_dict_set_item(entity, "dev-entry", plist_new_string(image.c_str()));
    plist_dict_set_item(entity, "mount-point", plist_new_string(mountPoint.c_str()));
    plist_dict_set_item(entity, "potentially-mountable", plist_new_bool(1));
    plist_dict_set_item(entity, "volume-kind", plist_new_string(fuse ? "squashfuse" : "unpacked"));
    plist_t entities = plist_new_array();
    plist_array_append_item(entities, entity);
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "system-entities", entities);
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    plist_free(root);
    if (!xml)
        throw vtools::Failure("could not write the property list");
    std::string out(xml, length);
    plist_to_xml_free(xml);
    return out;
}

} // namespace

int attach(const std::string &imageArgument, const std::vector<std::string> &options)
{
    static const std::set<std::string> known = {"-nobrowse", "-readonly", "-noverify", "-plist",
                                                "-quiet", "-noautoopen", "-noautofsck"};
    bool plist = false;
    for (const std::string &option : options) {
        if (known.count(option) == 0)
            return attachFailed("unknown option " + option);
        plist = plist || option == "-plist";
    }
    const std::string image = vtools::absolutePath(imageArgument);
    switch (ImageFile::check(image)) {
    case ImageFile::Check::Missing:
        return attachFailed("No such file or directory");
    case ImageFile::Check::NotRecognised:
        return attachFailed("image not recognized");
    case ImageFile::Check::Recognised:
        break;
    }
    const MountArea area = MountArea::create();
    try {
        // Recorded before anything is mounted or unpacked, and changed before the way changes,
        // so that detach can clear the area whenever this program is stopped.
        bool fuse = fuseWanted();
        area.record(fuse ? MountArea::Kind::Fuse : MountArea::Kind::Unpacked, image);
        if (fuse && !mountWithFuse(area, image)) {
            fuse = false;
            area.record(MountArea::Kind::Unpacked, image);
        }
        if (!fuse) {
            if (const auto failure = unpack(area, image)) {
                discard(area);
                return attachFailed("corrupt image", *failure);
            }
        }
        if (plist)
            std::cout << plistOutput(image, area.volume(), fuse);
        else
            std::cout << image << "\t" << (fuse ? "squashfuse" : "unpacked") << "\t"
                      << area.volume() << "\n";
        return 0;
    } catch (const vtools::Failure &failure) {
        discard(area);
        return attachFailed(failure.what());
    }
}

} // namespace hdiutil
