#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

// Runs a system tool as a child process and collects what it prints. The program is started by
// absolute path with the given arguments and no shell, standard input is /dev/null, and
// standard output and standard error share one pipe, so the text keeps the order the tool wrote
// it in. Blocks the calling thread until the tool ends and never needs an event loop, so it is
// safe on any worker thread.
class ToolRunner {
public:
    struct Result {
        enum class Ending {
            Exited,      // exitStatus holds the tool's exit status
            Signalled,   // killed by a signal (exitStatus = 128 + signal)
            TimedOut,    // ran past the time limit and was killed
            NotStarted,  // could not be started; output holds the reason
        };
        Ending ending = Ending::NotStarted;
        int exitStatus = -1;
        QString output;  // UTF-8 text of both streams; empty when it is not valid UTF-8

        // Only a tool that ran and exited with status 0 succeeded.
        bool succeeded() const { return ending == Ending::Exited && exitStatus == 0; }
    };

    // Most output kept from one run; a chattier tool is still read to its end.
    static constexpr qsizetype maxOutputBytes = 4 * 1024 * 1024;

    static Result run(const QString &program, const QStringList &arguments,
                      std::chrono::milliseconds timeLimit);
};
