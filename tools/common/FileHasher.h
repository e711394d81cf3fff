#pragma once

#include "Sha256.h"

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace vtools {

// Hashes many files below one open folder on a few threads. A file is hashed only if it is
// still the regular file that was scanned (same device and inode), so a swap in between is
// caught instead of hashing something else.
class FileHasher {
public:
    struct Job {
        std::string path;
        dev_t device = 0;
        ino_t inode = 0;
    };
    struct Result {
        std::optional<Digest> digest; // nullopt: could not be read, see `error`
        std::string error;
    };

    explicit FileHasher(int rootFd, unsigned threads = defaultThreads());

    std::vector<Result> hash(const std::vector<Job> &jobs) const;

    static unsigned defaultThreads();

private:
    Result hashOne(const Job &job, std::vector<unsigned char> &buffer) const;

    int rootFd_;
    unsigned threads_;
};

} // namespace vtools
