#pragma once

#include <string>

namespace hdiutil {

// Recognises a disk image (a squashfs 4 file system) by its superblock before anything is
// mounted or unpacked.
struct ImageFile {
    enum class Check { Recognised, Missing, NotRecognised };
    static Check check(const std::string &path);
};

} // namespace hdiutil
