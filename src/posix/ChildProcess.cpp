#include "posix/ChildProcess.h"

#include "posix/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <list>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace posix {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Result = ChildProcess::Result;
using Ending = Result::Ending;

// How often the end of a child is looked for where the kernel cannot say it (no pidfd).
constexpr int lookAgainMs = 20;

struct Child {
    pid_t pid;
    bool group;
    bool stopped = false; // signalled by stopAll()

    // The group, and the child itself in case it has left its group.
    void signal(int number) const
    {
        if (group)
            ::kill(-pid, number);
        ::kill(pid, number);
    }
};

// The children being run, so that stopAll() reaches them. A runner takes its child off the
// list before it reaps it, so a listed process id always belongs to that child (an unreaped
// child's id is never reused) and may be signalled under the lock.
struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::list<Child> children;
    bool stopping = false;
};

Registry &registry()
{
    // Never destroyed: runners on other threads may still use it while the process exits.
    static Registry *instance = new Registry;
    return *instance;
}

Result notStarted(const std::string &program, int error, const char *reason = nullptr)
{
    Result result;
    result.ending = Ending::NotStarted;
    result.error = error;
    result.output = program + ": " + (reason ? reason : std::strerror(error));
    return result;
}

// Starts the program with standard input on /dev/null and both output streams on writeEnd.
int spawn(pid_t *pid, const std::string &program, const std::vector<std::string> &arguments,
          int writeEnd, bool ownGroup)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDERR_FILENO);

    // The calling thread may block signals and the caller may ignore SIGPIPE; the child
    // inherits neither.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (ownGroup) {
        posix_spawnattr_setpgroup(&attributes, 0);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attributes, flags);

    const int error = ::posix_spawn(pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// Whether the child has ended, without reaping it. A child reaped behind our back (SIGCHLD
// ignored) counts as ended.
bool hasEnded(pid_t pid)
{
    siginfo_t info {};
    for (;;) {
        if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0)
            return info.si_pid == pid;
        if (errno != EINTR)
            return true;
    }
}

void waitUntilEnded(pid_t pid)
{
    siginfo_t info {};
    while (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
}

// The output pipe's read end and what came through it.
class Output {
public:
    Output(int fd, std::size_t limit) : m_fd(fd), m_limit(limit) {}

    bool open() const { return m_fd.valid(); }
    int fd() const { return m_fd.get(); }
    std::string take() { return std::move(m_text); }

    // Reads what is there; closes the pipe at its end.
    void read()
    {
        const ssize_t n = ::read(m_fd.get(), m_chunk, sizeof m_chunk);
        if (n > 0)
            keep(std::size_t(n));
        else if (n == 0 || (errno != EINTR && errno != EAGAIN))
            m_fd.reset();
    }

    // Once the child has ended: what it wrote is in the pipe already, at most the pipe's
    // size, while a helper it left behind may keep writing. Reads no more than that.
    void drain()
    {
        if (!open())
            return;
        ::fcntl(m_fd.get(), F_SETFL, ::fcntl(m_fd.get(), F_GETFL) | O_NONBLOCK);
        const int pipeSize = ::fcntl(m_fd.get(), F_GETPIPE_SZ);
        for (long left = pipeSize > 0 ? pipeSize : 1 << 20; left > 0 && open();) {
            const std::size_t before = m_read;
            read();
            left -= long(m_read - before);
            if (m_read == before)
                break;
        }
        m_fd.reset();
    }

private:
    void keep(std::size_t n)
    {
        m_read += n;
        if (m_text.size() < m_limit)
            m_text.append(m_chunk, std::min(n, m_limit - m_text.size()));
    }

    FileDescriptor m_fd;
    std::size_t m_limit;
    std::size_t m_read = 0;
    std::string m_text;
    char m_chunk[64 * 1024];
};

// Reads the output until the child ends or the deadline passes; returns false on the deadline.
bool follow(pid_t pid, int processFd, Output &output, Clock::time_point deadline)
{
    for (;;) {
        if (hasEnded(pid)) {
            output.drain();
            return true;
        }
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd fds[2];
        nfds_t count = 0;
        if (output.open())
            fds[count++] = {output.fd(), POLLIN, 0};
        if (processFd >= 0)
            fds[count++] = {processFd, POLLIN, 0};
        int timeout = left > std::numeric_limits<int>::max() ? -1 : int(left);
        if (processFd < 0 && (timeout < 0 || timeout > lookAgainMs))
            timeout = lookAgainMs;
        if (::poll(fds, count, timeout) > 0 && output.open() && fds[0].revents != 0)
            output.read();
    }
}

Result ended(int status, bool statusKnown, std::string output)
{
    Result result;
    result.output = std::move(output);
    if (statusKnown && WIFEXITED(status)) {
        result.ending = Ending::Exited;
        result.exitStatus = WEXITSTATUS(status);
    } else {
        result.ending = Ending::Signalled;
        result.exitStatus = statusKnown && WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    }
    return result;
}

} // namespace

Result ChildProcess::run(const std::string &program, const std::vector<std::string> &arguments,
                         const Options &options)
{
    if (program.empty() || program.front() != '/')
        return notStarted(program, EINVAL, "not an absolute path");

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return notStarted(program, errno);
    Output output(fds[0], options.maxOutputBytes);
    FileDescriptor writeEnd(fds[1]);

    Registry &children = registry();
    pid_t pid = 0;
    std::list<Child>::iterator child;
    {
        // Started under the lock, so that no child can slip past a stop.
        std::lock_guard lock(children.mutex);
        if (children.stopping) {
            Result result;
            result.ending = Ending::Stopped;
            return result;
        }
        if (const int error = spawn(&pid, program, arguments, writeEnd.get(), options.ownProcessGroup))
            return notStarted(program, error);
        child = children.children.insert(children.children.end(), Child {pid, options.ownProcessGroup});
    }
    writeEnd.reset(); // the child holds the only writer now, so its end ends the stream

    // The kernel tells when the child ends through a pidfd; without one, follow() looks again.
    const FileDescriptor processFd(int(::syscall(SYS_pidfd_open, pid, 0)));
    // Limits beyond a year are no limit (and cannot overflow the clock).
    const bool limited = options.timeLimit && *options.timeLimit < std::chrono::hours(24 * 365);
    const auto deadline = limited ? Clock::now() + *options.timeLimit : Clock::time_point::max();
    const bool inTime = follow(pid, processFd.get(), output, deadline);
    bool stopped = false;
    {
        std::lock_guard lock(children.mutex);
        if (!inTime)
            child->signal(SIGKILL);
    }
    if (!inTime)
        waitUntilEnded(pid);
    {
        std::lock_guard lock(children.mutex);
        stopped = child->stopped;
        children.children.erase(child);
    }
    children.changed.notify_all();

    int status = 0;
    pid_t reaped;
    while ((reaped = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    output.drain();
    Result result = ended(status, reaped == pid, output.take());
    if (!inTime)
        result.ending = Ending::TimedOut;
    else if (stopped)
        result.ending = Ending::Stopped;
    return result;
}

void ChildProcess::stopAll(milliseconds grace)
{
    Registry &children = registry();
    std::unique_lock lock(children.mutex);
    children.stopping = true;
    for (Child &child : children.children) {
        child.stopped = true;
        child.signal(SIGTERM);
        child.signal(SIGCONT); // a child stopped by job control acts on SIGTERM only when continued
    }
    const auto gone = [&children] { return children.children.empty(); };
    if (children.changed.wait_for(lock, grace, gone))
        return;
    for (const Child &child : children.children)
        child.signal(SIGKILL);
    children.changed.wait_for(lock, grace, gone);
}

std::string ChildProcess::findSystemProgram(const std::string &name)
{
    for (const char *folder : {"/usr/bin", "/bin", "/usr/sbin", "/sbin"}) {
        const std::string path = std::string(folder) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

} // namespace posix
