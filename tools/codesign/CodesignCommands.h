#pragma once

#include <string>

// The three things codesign does; each returns the exit status and prints its own messages.
namespace codesign {

struct Request {
    std::string identity; // --sign
    bool force = false;
    bool deep = false;
    bool strict = false;
    int verbose = 0;
    std::string bundle;
};

int sign(const Request &request);
int verify(const Request &request);
int display(const Request &request);

} // namespace codesign
