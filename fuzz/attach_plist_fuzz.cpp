#include "service/DiskImageAttach.h"

#include <cstdint>
#include <cstdlib>

// Feeds arbitrary text to the reader of `hdiutil attach -plist` output, as the installer gets
// it from the tool. A mount point it finds is never empty.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString output = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const std::optional<QString> mountPoint = DiskImageAttach::mountPoint(output); mountPoint && mountPoint->isEmpty())
        std::abort();
    return 0;
}
