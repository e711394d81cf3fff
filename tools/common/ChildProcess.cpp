#include "ChildProcess.h"

#include "Failure.h"
#include "Files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char **environ;

namespace vtools {

namespace {

constexpr size_t maxCapturedOutput = 1u << 20;

std::string readCaptured(int fd)
{
    std::string out;
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return out;
    char buffer[65536];
    ssize_t n;
    while (out.size() < maxCapturedOutput && (n = ::read(fd, buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<size_t>(n));
    return out;
}

} // namespace

ChildProcess::Result ChildProcess::run(const std::string &program,
                                       const std::vector<std::string> &arguments)
{
    Result result;
    // A file rather than a pipe: a program that leaves a daemon behind (squashfuse) cannot keep
    // us waiting for the end of its output.
    UniqueFd capture(::memfd_create("child-output", MFD_CLOEXEC));
    if (!capture.valid())
        throwSystemError("memfd_create");
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, capture.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, capture.get(), 2);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        result.output = program + ": " + std::strerror(rc);
        return result;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            throwSystemError("waitpid");
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = readCaptured(capture.get());
    return result;
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

} // namespace vtools
