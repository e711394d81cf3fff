#pragma once

#include <string>

namespace hdiutil {

// The private folder that holds one attached image: <base>/veltrane-hdiutil.XXXXXX (mode
// 0700, random name) with the mount point "volume" and a record of how it was attached. The
// base is $XDG_RUNTIME_DIR when it is a private folder of ours, else the temporary folder.
// Detach accepts only a mount point inside such a folder, so it cannot be aimed at anything else.
//
// The record ("attach-record") is written before anything is mounted or unpacked and replaced
// in one step, so detach can clear the area whenever this program was stopped. It reads
//     veltrane-hdiutil-attach 2
//     kind fuse|unpacked
//     image <absolute image path>
//     owner <boot id> <process id> <start time in clock ticks after boot>
// where the owner is the program that ran attach (our parent), so that it can tell, after a
// crash, the images it left attached from those of a run still going. Records of format 1 have
// no owner line.
class MountArea {
public:
    enum class Kind { Fuse, Unpacked };

    static MountArea create();
    // The area of a mount point given to detach; throws vtools::Failure if it is not ours.
    static MountArea ofMountPoint(const std::string &mountPoint);

    const std::string &folder() const { return folder_; }
    std::string volume() const { return folder_ + "/volume"; }

    // Writes or replaces the record.
    void record(Kind kind, const std::string &image) const;
    Kind recordedKind() const;
    bool hasRecord() const;

    // Whether something is mounted on the volume (a dead FUSE mount counts).
    bool isMounted() const;
    // Removes the record and the folder; the volume must already be gone.
    void removeFolder() const;

private:
    explicit MountArea(std::string folder) : folder_(std::move(folder)) {}

    std::string folder_;
};

} // namespace hdiutil
