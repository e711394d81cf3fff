#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace posix {

// Runs a program as a child process and collects what it prints. The program is started by
// absolute path with the given arguments and no shell; standard input is /dev/null, and
// standard output and standard error share one pipe, so the text keeps the order the program
// wrote it in. Blocks the calling thread until the program ends and needs no event loop, so it
// is safe on any thread. A helper the program leaves running in the background may keep the
// pipe open: the run still ends when the program itself does.
class ChildProcess {
public:
    struct Result {
        enum class Ending {
            Exited,     // exitStatus holds the program's exit status
            Signalled,  // ended by a signal: exitStatus = 128 + signal (-1: status unknown)
            TimedOut,   // ran past the time limit and was killed
            Stopped,    // ended by stopAll(), or not started because of it
            NotStarted, // could not be started: error holds the reason
        };
        Ending ending = Ending::NotStarted;
        int exitStatus = -1;
        int error = 0;      // NotStarted: the errno value
        std::string output; // both streams, at most Options::maxOutputBytes of them

        // Only a program that ran and exited with status 0 succeeded.
        bool succeeded() const { return ending == Ending::Exited && exitStatus == 0; }
    };

    struct Options {
        std::optional<std::chrono::milliseconds> timeLimit; // none: no limit
        // More output is read to its end but not kept.
        std::size_t maxOutputBytes = 4 * 1024 * 1024;
        // The child leads a process group of its own, and a time-out or a stop ends the whole
        // group: the helpers it started go with it (daemons, which leave the group, stay).
        bool ownProcessGroup = false;
    };

    static Result run(const std::string &program, const std::vector<std::string> &arguments,
                      const Options &options);
    static Result run(const std::string &program, const std::vector<std::string> &arguments)
    {
        return run(program, arguments, Options());
    }

    // Stops, for good, every child that this process runs: each gets SIGTERM, and SIGKILL when
    // it is still there after `grace`; runs started afterwards end at once as Stopped. Returns
    // when every child has ended (at the latest another `grace` after the SIGKILL). Safe from
    // any thread and any number of times.
    static void stopAll(std::chrono::milliseconds grace = std::chrono::seconds(1));

    // The absolute path of a system program in /usr/bin, /bin, /usr/sbin or /sbin (never
    // $PATH), or an empty text.
    static std::string findSystemProgram(const std::string &name);
};

} // namespace posix
