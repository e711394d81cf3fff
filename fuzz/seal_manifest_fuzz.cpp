#include "Certificate.h"
#include "Manifest.h"

#include <cstdint>
#include <cstdlib>

// Feeds arbitrary bytes to the readers of a bundle seal's manifest and certificate. Both
// formats are canonical: whatever reads writes back to exactly the same bytes, so a signature
// over the text covers one meaning.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::string why;
    if (const auto manifest = vtools::Manifest::parse(text, &why)) {
        if (manifest->format() != text)
            std::abort();
    } else if (why.empty()) {
        std::abort();
    }
    if (const auto certificate = vtools::Certificate::parse(std::string(text)); certificate && certificate->format() != text)
        std::abort();
    return 0;
}
