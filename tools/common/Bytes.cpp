#include "Bytes.h"

#include <sodium.h>

namespace vtools {

std::string toHex(const unsigned char *data, size_t size)
{
    std::string out(size * 2 + 1, '\0');
    sodium_bin2hex(out.data(), out.size(), data, size);
    out.pop_back(); // the terminating NUL
    return out;
}

std::optional<Bytes> fromHex(std::string_view hex)
{
    // sodium_hex2bin also takes upper case; one spelling per value is this format's rule.
    if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return std::nullopt;
    Bytes out(hex.size() / 2);
    if (out.empty())
        return out; // libsodium wants a buffer even for nothing
    size_t decoded = 0;
    if (sodium_hex2bin(out.data(), out.size(), hex.data(), hex.size(), nullptr, &decoded, nullptr) != 0
        || decoded != out.size())
        return std::nullopt;
    return out;
}

std::string toBase64(const unsigned char *data, size_t size)
{
    std::string out(sodium_base64_encoded_len(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1); // the terminating NUL
    return out;
}

std::optional<Bytes> fromBase64(std::string_view text, size_t size)
{
    Bytes out(size + 1);
    size_t decoded = 0;
    const char *end = nullptr;
    if (sodium_base642bin(out.data(), out.size(), text.data(), text.size(), nullptr, &decoded,
                          &end, sodium_base64_VARIANT_ORIGINAL)
            != 0
        || end != text.data() + text.size() || decoded != size)
        return std::nullopt;
    out.resize(size);
    if (toBase64(out) != text)
        return std::nullopt;
    return out;
}

} // namespace vtools
