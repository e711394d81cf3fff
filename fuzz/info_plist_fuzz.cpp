#include "posix/InfoPlist.h"

#include <cstdint>
#include <cstdlib>

// Feeds arbitrary bytes (XML or binary property lists) to the Info.plist reader. What it
// reads writes out as XML that reads back to the same keys, as long as the values are plain
// printable ASCII, as the names, identifiers and versions veltrane-pack writes are.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto info = posix::InfoPlist::parse(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!info)
        return 0;
    for (const auto *value : {&info->identifier, &info->shortVersion, &info->displayName, &info->name,
                              &info->executable, &info->iconFile}) {
        if (value->has_value())
            for (const unsigned char c : **value)
                if (c < 0x20 || c >= 0x7f)
                    return 0;
    }
    const auto again = posix::InfoPlist::parse(info->toXml());
    if (!again || again->identifier != info->identifier || again->shortVersion != info->shortVersion
        || again->displayName != info->displayName || again->name != info->name
        || again->executable != info->executable || again->iconFile != info->iconFile)
        std::abort();
    return 0;
}
