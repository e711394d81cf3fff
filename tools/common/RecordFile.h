#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vtools::record {

// The text form of keys and certificates: a first line naming the format, then one
// "key value" line per field in a fixed order, each ending in a line feed. Reading is exact
// (same keys, same order, nothing more), so every record has one spelling and a signed record
// means one thing.
using Field = std::pair<std::string, std::string>;

std::string write(std::string_view format, const std::vector<Field> &fields);

// The values in the order of `keys`, or nullopt if the text is not exactly such a record.
std::optional<std::vector<std::string>> read(std::string_view text, std::string_view format,
                                             const std::vector<std::string_view> &keys);

} // namespace vtools::record
