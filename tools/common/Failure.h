#pragma once

#include <stdexcept>
#include <string>

namespace vtools {

// An operation that cannot go on; the tool's main() prints what() and exits non-zero.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "what: strerror(errno)" for the current errno.
std::string systemError(const std::string &what);
[[noreturn]] void throwSystemError(const std::string &what);

} // namespace vtools
