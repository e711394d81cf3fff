#include "FileHasher.h"

#include "Failure.h"
#include "Files.h"
#include "OpenBeneath.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

namespace vtools {

namespace {
constexpr size_t bufferSize = 1u << 20;
} // namespace

FileHasher::FileHasher(int rootFd, unsigned threads)
    : rootFd_(rootFd), threads_(std::max(1u, threads))
{
}

unsigned FileHasher::defaultThreads()
{
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

FileHasher::Result FileHasher::hashOne(const Job &job, std::vector<unsigned char> &buffer) const
{
    posix::FileDescriptor fd(openBeneath(rootFd_, job.path, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid())
        return {std::nullopt, std::strerror(errno)};
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return {std::nullopt, std::strerror(errno)};
    if (!S_ISREG(st.st_mode) || st.st_dev != job.device || st.st_ino != job.inode)
        return {std::nullopt, "changed while being checked"};
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    try {
        return {sha256OfFile(fd.get(), buffer), {}};
    } catch (const Failure &failure) {
        return {std::nullopt, failure.what()};
    }
}

std::vector<FileHasher::Result> FileHasher::hash(const std::vector<Job> &jobs) const
{
    std::vector<Result> results(jobs.size());
    std::atomic<size_t> next {0};
    auto work = [&] {
        std::vector<unsigned char> buffer(bufferSize);
        for (size_t i = next++; i < jobs.size(); i = next++)
            results[i] = hashOne(jobs[i], buffer);
    };
    const unsigned helpers = static_cast<unsigned>(
        std::min<size_t>(threads_, std::max<size_t>(jobs.size(), 1)) - 1);
    std::vector<std::thread> pool;
    pool.reserve(helpers);
    for (unsigned i = 0; i < helpers; ++i)
        pool.emplace_back(work);
    work();
    for (std::thread &t : pool)
        t.join();
    return results;
}

} // namespace vtools
