#include "state/Latin1.h"

#include <algorithm>
#include <cstring>

bool isLatin1(QStringView s)
{
    // Vector lanes of the compiler's own extension: the machine's vector instructions where
    // it has them, plain ones elsewhere.
    using Lanes = quint16 __attribute__((vector_size(16)));
    constexpr qsizetype laneCount = 8;
    const char16_t *p = s.utf16();
    const char16_t *const end = p + s.size();
    for (; end - p >= laneCount; p += laneCount) {
        Lanes lanes;
        std::memcpy(&lanes, p, sizeof lanes);
        lanes &= 0xFF00;
        quint64 halves[2];
        std::memcpy(halves, &lanes, sizeof halves);
        if (halves[0] | halves[1])
            return false;
    }
    return std::all_of(p, end, [](char16_t c) { return c <= 0xFF; });
}
