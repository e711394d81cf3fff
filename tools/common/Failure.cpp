#include "Failure.h"

#include <cerrno>
#include <cstring>

namespace vtools {

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

void throwSystemError(const std::string &what)
{
    throw Failure(systemError(what));
}

} // namespace vtools
