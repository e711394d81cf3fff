#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace vtools {

using Digest = std::array<unsigned char, 32>;

Digest sha256(std::string_view data);

// Hashes what remains of an open file, reading through `buffer` (large reads keep the
// hash, not the system calls, the bottleneck). Throws Failure on a read error.
Digest sha256OfFile(int fd, std::vector<unsigned char> &buffer);

} // namespace vtools
