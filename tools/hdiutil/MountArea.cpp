#include "MountArea.h"

#include "Failure.h"
#include "Files.h"
#include "RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <vector>

namespace hdiutil {

namespace {

constexpr char folderPrefix[] = "veltrane-hdiutil.";
constexpr char recordName[] = "attach-record";
constexpr char newRecordName[] = "attach-record.new";
constexpr std::string_view oldRecordFormat = "veltrane-hdiutil-attach 1";
constexpr std::string_view recordFormat = "veltrane-hdiutil-attach 2";

bool isPrivateFolderOfOurs(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string baseFolder()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && isPrivateFolderOfOurs(runtime))
        return runtime;
    const char *tmp = std::getenv("TMPDIR");
    struct stat st {};
    if (tmp && tmp[0] == '/' && ::stat(tmp, &st) == 0 && S_ISDIR(st.st_mode))
        return tmp;
    return "/tmp";
}

std::string realPath(const std::string &path)
{
    char buffer[PATH_MAX];
    if (!::realpath(path.c_str(), buffer))
        vtools::throwSystemError(path);
    return buffer;
}

std::string firstLine(const std::string &path)
{
    try {
        const std::string text = vtools::readFile(path, 4096);
        return text.substr(0, text.find('\n'));
    } catch (const vtools::Failure &) {
        return {};
    }
}

// Field 22 of /proc/<pid>/stat, the start time; the name in parentheses may hold spaces, so
// fields are counted after its closing one.
std::string startTimeOf(pid_t pid)
{
    const std::string stat = firstLine("/proc/" + std::to_string(pid) + "/stat");
    const size_t end = stat.rfind(')');
    if (end == std::string::npos)
        return {};
    std::istringstream fields(stat.substr(end + 1));
    std::string field;
    for (int number = 3; number <= 22; ++number) {
        if (!(fields >> field))
            return {};
    }
    return field;
}

// "<boot id> <pid> <start time>" of our parent, the run that attaches; empty when unknown.
std::string parentRun()
{
    const pid_t parent = ::getppid();
    const std::string boot = firstLine("/proc/sys/kernel/random/boot_id");
    const std::string started = startTimeOf(parent);
    if (boot.empty() || started.empty())
        return {};
    return boot + ' ' + std::to_string(parent) + ' ' + started;
}

} // namespace

MountArea MountArea::create()
{
    std::string pattern = baseFolder() + "/" + folderPrefix + "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        vtools::throwSystemError(pattern);
    MountArea area(realPath(pattern));
    if (::mkdir(area.volume().c_str(), 0700) != 0) {
        const std::string error = vtools::systemError(area.volume());
        ::rmdir(area.folder_.c_str());
        throw vtools::Failure(error);
    }
    return area;
}

MountArea MountArea::ofMountPoint(const std::string &mountPoint)
{
    const std::string absolute = vtools::absolutePath(mountPoint);
    const std::string notOurs = "not a mounted image: " + mountPoint;
    if (vtools::fileName(absolute) != "volume")
        throw vtools::Failure(notOurs);
    // The parent is resolved, not the mount point: a dead FUSE mount cannot be looked into.
    const std::string parent = vtools::parentPath(absolute);
    if (!vtools::pathExists(parent))
        throw vtools::Failure("No such file or directory");
    MountArea area(realPath(parent));
    static const std::regex folderName(std::string("veltrane-hdiutil\\.[A-Za-z0-9]{6}"));
    struct stat st {};
    if (!std::regex_match(vtools::fileName(area.folder_), folderName)
        || ::lstat(area.folder_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)
        || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0 || !area.hasRecord())
        throw vtools::Failure(notOurs);
    return area;
}

void MountArea::record(Kind kind, const std::string &image) const
{
    posix::FileDescriptor dir(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir.valid())
        vtools::throwSystemError(folder_);
    std::vector<vtools::record::Field> fields = {{"kind", kind == Kind::Fuse ? "fuse" : "unpacked"},
                                                 {"image", image}};
    const std::string owner = parentRun();
    if (!owner.empty())
        fields.emplace_back("owner", owner);
    const std::string text = vtools::record::write(owner.empty() ? oldRecordFormat : recordFormat, fields);
    ::unlinkat(dir.get(), newRecordName, 0);
    vtools::writeNewFileAt(dir.get(), newRecordName, text, 0600);
    if (::renameat(dir.get(), newRecordName, dir.get(), recordName) != 0)
        vtools::throwSystemError(folder_ + "/" + recordName);
}

bool MountArea::hasRecord() const
{
    try {
        recordedKind();
        return true;
    } catch (const vtools::Failure &) {
        return false;
    }
}

MountArea::Kind MountArea::recordedKind() const
{
    posix::FileDescriptor dir(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir.valid())
        vtools::throwSystemError(folder_);
    const auto text = vtools::readFileAt(dir.get(), recordName, PATH_MAX + 512);
    auto values = text ? vtools::record::read(*text, recordFormat, {"kind", "image", "owner"})
                       : std::nullopt;
    if (!values && text)
        values = vtools::record::read(*text, oldRecordFormat, {"kind", "image"});
    if (!values || ((*values)[0] != "fuse" && (*values)[0] != "unpacked"))
        throw vtools::Failure(folder_ + ": no attach record");
    return (*values)[0] == "fuse" ? Kind::Fuse : Kind::Unpacked;
}

bool MountArea::isMounted() const
{
    struct stat folderStat {}, volumeStat {};
    if (::stat(folder_.c_str(), &folderStat) != 0)
        return false;
    if (::lstat(volume().c_str(), &volumeStat) != 0)
        return errno != ENOENT; // ENOTCONN: a FUSE daemon that has gone away
    return volumeStat.st_dev != folderStat.st_dev;
}

void MountArea::removeFolder() const
{
    const std::string recordPath = folder_ + "/" + recordName;
    ::unlink((folder_ + "/" + newRecordName).c_str());
    if (::unlink(recordPath.c_str()) != 0 && errno != ENOENT)
        vtools::throwSystemError(recordPath);
    if (::rmdir(folder_.c_str()) != 0)
        vtools::throwSystemError(folder_);
}

} // namespace hdiutil
