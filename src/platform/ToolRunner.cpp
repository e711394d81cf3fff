#include "platform/ToolRunner.h"

#include "platform/FileDescriptor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Result = ToolRunner::Result;

QString tr(const char *text) { return QCoreApplication::translate("ToolRunner", text); }

// The argument vector posix_spawn wants, owning its strings.
class ArgumentVector {
public:
    ArgumentVector(const QString &program, const QStringList &arguments)
    {
        m_strings.push_back(QFile::encodeName(program));
        for (const QString &argument : arguments)
            m_strings.push_back(argument.toUtf8());
        for (QByteArray &s : m_strings)
            m_pointers.push_back(s.data());
        m_pointers.push_back(nullptr);
    }
    char *const *data() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_strings;
    std::vector<char *> m_pointers;
};

Result notStarted(const QString &program, const QString &reason)
{
    Result result;
    result.ending = Result::Ending::NotStarted;
    result.output = tr("Could not start %1: %2").arg(program, reason);
    return result;
}

QString decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

// Starts the tool with stdin on /dev/null and stdout and stderr on writeEnd.
int spawn(pid_t *pid, const QString &program, const QStringList &arguments, int writeEnd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDERR_FILENO);

    // A worker thread may block signals, and the Hub may ignore SIGPIPE; the tool gets neither.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const QByteArray path = QFile::encodeName(program);
    ArgumentVector argv(program, arguments);
    const int error = posix_spawn(pid, path.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// Reads the pipe until every writer has closed it, the tool has exited (a helper it left
// running may keep the pipe open), or the deadline passes. Returns false on the deadline.
bool readOutput(int readEnd, pid_t pid, Clock::time_point deadline, QByteArray *output,
                int *status, bool *reaped)
{
    char chunk[64 * 1024];
    auto keep = [output](const char *data, ssize_t n) {
        const qsizetype room = ToolRunner::maxOutputBytes - output->size();
        output->append(data, qMin<qsizetype>(room, n));
    };
    for (;;) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{readEnd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(qMin<qint64>(left.count(), 100)));
        if (ready < 0 && errno != EINTR)
            return true;
        if (ready > 0) {
            const ssize_t n = ::read(readEnd, chunk, sizeof chunk);
            if (n > 0)
                keep(chunk, n);
            else if (n == 0 || errno != EINTR)
                return true;
            continue;
        }
        if (ready == 0 && ::waitpid(pid, status, WNOHANG) == pid) {
            *reaped = true;
            ::fcntl(readEnd, F_SETFL, ::fcntl(readEnd, F_GETFL) | O_NONBLOCK);
            ssize_t n;
            while ((n = ::read(readEnd, chunk, sizeof chunk)) > 0)
                keep(chunk, n);
            return true;
        }
    }
}

// Waits for the tool to exit, at most until the deadline. Returns false on the deadline.
bool waitForExit(pid_t pid, Clock::time_point deadline, int *status)
{
    milliseconds pause(1);
    for (;;) {
        const pid_t done = ::waitpid(pid, status, WNOHANG);
        if (done == pid)
            return true;
        if (done < 0 && errno != EINTR) {
            *status = -1;  // reaped elsewhere: the outcome is unknown
            return true;
        }
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = qMin(pause * 2, milliseconds(50));
    }
}

void appendNote(QString *output, const QString &note)
{
    if (!output->isEmpty() && !output->endsWith(QLatin1Char('\n')))
        output->append(QLatin1Char('\n'));
    output->append(note);
}

Result ended(int status, const QByteArray &bytes)
{
    Result result;
    result.output = decodeUtf8(bytes);
    if (WIFEXITED(status)) {
        result.ending = Result::Ending::Exited;
        result.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.ending = Result::Ending::Signalled;
        result.exitStatus = 128 + WTERMSIG(status);
        appendNote(&result.output, tr("(ended by signal %1)").arg(WTERMSIG(status)));
    } else {
        result.ending = Result::Ending::Signalled;
        appendNote(&result.output, tr("(ended, exit status unknown)"));
    }
    return result;
}

Result timedOut(pid_t pid, const QByteArray &bytes, milliseconds timeLimit)
{
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    Result result;
    result.ending = Result::Ending::TimedOut;
    result.exitStatus = 128 + SIGKILL;
    result.output = decodeUtf8(bytes);
    appendNote(&result.output, tr("(stopped: still running after %1 seconds)")
                                   .arg(std::chrono::duration_cast<std::chrono::seconds>(timeLimit).count()));
    return result;
}
} // namespace

ToolRunner::Result ToolRunner::run(const QString &program, const QStringList &arguments,
                                   milliseconds timeLimit)
{
    if (!QDir::isAbsolutePath(program))
        return notStarted(program, tr("not an absolute path"));

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return notStarted(program, QString::fromLocal8Bit(std::strerror(errno)));
    FileDescriptor readEnd(fds[0]);
    FileDescriptor writeEnd(fds[1]);

    pid_t pid = 0;
    if (const int error = spawn(&pid, program, arguments, writeEnd.get()))
        return notStarted(program, QString::fromLocal8Bit(std::strerror(error)));
    writeEnd.reset();  // the tool holds the only writer now, so its exit ends the stream

    const auto deadline = Clock::now() + timeLimit;
    QByteArray output;
    int status = 0;
    bool reaped = false;
    if (!readOutput(readEnd.get(), pid, deadline, &output, &status, &reaped))
        return timedOut(pid, output, timeLimit);
    if (!reaped && !waitForExit(pid, deadline, &status))
        return timedOut(pid, output, timeLimit);
    return ended(status, output);
}
