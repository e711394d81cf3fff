#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vtools {

using Bytes = std::vector<unsigned char>;

std::string toHex(const unsigned char *data, size_t size);
template <typename Container>
std::string toHex(const Container &c) { return toHex(c.data(), c.size()); }

// Lower-case hexadecimal only, so that every value has exactly one spelling.
std::optional<Bytes> fromHex(std::string_view hex);

std::string toBase64(const unsigned char *data, size_t size);
template <typename Container>
std::string toBase64(const Container &c) { return toBase64(c.data(), c.size()); }

// Standard padded Base64 without whitespace; nullopt unless it decodes to exactly `size` bytes
// and re-encodes to the same text.
std::optional<Bytes> fromBase64(std::string_view text, size_t size);

} // namespace vtools
