#pragma once

#include <string>
#include <vector>

namespace hdiutil {

// Each returns the exit status and prints its own output and messages.
int attach(const std::string &image, const std::vector<std::string> &options);
int detach(const std::string &mountPoint, const std::vector<std::string> &options);

} // namespace hdiutil
