#include "ImageFile.h"

#include "Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace hdiutil {

namespace {

constexpr size_t superblockSize = 96;

uint16_t le16(const unsigned char *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint64_t le64(const unsigned char *p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

} // namespace

ImageFile::Check ImageFile::check(const std::string &path)
{
    posix::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return errno == ENOENT ? Check::Missing : Check::NotRecognised;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return Check::NotRecognised;
    unsigned char block[superblockSize];
    if (::pread(fd.get(), block, sizeof block, 0) != static_cast<ssize_t>(sizeof block))
        return Check::NotRecognised;
    const bool magic = std::memcmp(block, "hsqs", 4) == 0;
    const uint16_t major = le16(block + 28);
    const uint64_t bytesUsed = le64(block + 40);
    if (!magic || major != 4 || bytesUsed < superblockSize
        || bytesUsed > static_cast<uint64_t>(st.st_size))
        return Check::NotRecognised;
    return Check::Recognised;
}

} // namespace hdiutil
