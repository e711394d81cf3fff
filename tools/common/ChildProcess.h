#pragma once

#include <string>
#include <vector>

namespace vtools {

// Runs another program by absolute path, without a shell, with standard input from /dev/null
// and standard output and error captured together.
struct ChildProcess {
    struct Result {
        int exitStatus = -1; // -1 when it could not start or was killed by a signal
        std::string output;
    };

    static Result run(const std::string &program, const std::vector<std::string> &arguments);

    // The absolute path of a system program in /usr/bin, /bin, /usr/sbin or /sbin (never
    // $PATH), or an empty text.
    static std::string findSystemProgram(const std::string &name);
};

} // namespace vtools
