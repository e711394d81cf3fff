#include "Bytes.h"

#include <sodium.h>

namespace vtools {

std::string toHex(const unsigned char *data, size_t size)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 0xf]);
    }
    return out;
}

std::optional<Bytes> fromHex(std::string_view hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    Bytes out(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        const int hi = value(hex[2 * i]);
        const int lo = value(hex[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out[i] = static_cast<unsigned char>(hi << 4 | lo);
    }
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
