#pragma once

#include "posix/ChildProcess.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <chrono>

// Runs a system tool as a child process and collects what it prints (see
// posix::ChildProcess): by absolute path, no shell, standard input /dev/null, both output
// streams in one text in the order the tool wrote them. Blocks the calling thread until the
// tool ends and never needs an event loop, so it is safe on any worker thread. The tool leads a
// process group of its own: a time-out or a stop ends the helpers it started, too.
class ToolRunner {
    Q_DECLARE_TR_FUNCTIONS(ToolRunner)

public:
    struct Result {
        using Ending = posix::ChildProcess::Result::Ending;
        Ending ending = Ending::NotStarted;
        int exitStatus = -1;
        // UTF-8 text of both streams (empty when it is not valid UTF-8), followed by a note on
        // any ending other than an exit.
        QString output;

        // Only a tool that ran and exited with status 0 succeeded.
        bool succeeded() const { return ending == Ending::Exited && exitStatus == 0; }
    };

    // Most output kept from one run; a chattier tool is still read to its end.
    static constexpr std::size_t maxOutputBytes = 4 * 1024 * 1024;

    static Result run(const QString &program, const QStringList &arguments,
                      std::chrono::milliseconds timeLimit);

    // For quitting: ends every tool that is running (SIGTERM, then SIGKILL after a second)
    // and makes every later run end at once as Stopped. Returns when the tools have ended.
    static void stopAll();
};
