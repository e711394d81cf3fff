#include "PackCommands.h"

#include "Failure.h"
#include "Files.h"
#include "Text.h"

#include "posix/InfoPlist.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace pack {

namespace {

void makeFolder(const std::string &path)
{
    if (::mkdir(path.c_str(), 0755) != 0)
        vtools::throwSystemError(path);
    ::chmod(path.c_str(), 0755);
}

// Makes the output folder and any missing parents, as `mkdir -p` does.
void makeOutputFolder(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            throw vtools::Failure(path + ": not a folder");
        return;
    }
    if (errno != ENOENT)
        vtools::throwSystemError(path);
    const std::string parent = vtools::parentPath(path);
    if (parent != path)
        makeOutputFolder(parent);
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        vtools::throwSystemError(path);
}

void copyFile(const std::string &from, const std::string &to, mode_t mode)
{
    vtools::writeNewFile(to, vtools::readFile(from, 1ull << 32), mode);
}

} // namespace

void bundle(const Arguments &args)
{
    if (args.operands.size() != 1)
        throw vtools::Failure("bundle needs one output folder");
    const std::string name = args.required("--name");
    const std::string identifier = args.required("--id");
    const std::string version = args.required("--version");
    const std::string program = args.required("--exec");
    const std::string icon = args.optional("--icon");
    const std::string executable = vtools::fileName(program);
    if (!vtools::text::isValidFileName(name) || !vtools::text::isValidName(name))
        throw vtools::Failure("invalid bundle name: " + vtools::text::escaped(name));
    if (!vtools::text::isValidBundleIdentifier(identifier))
        throw vtools::Failure("invalid bundle identifier (letters, digits, '.' and '-')");
    if (!vtools::text::isValidName(version))
        throw vtools::Failure("invalid version");
    if (!vtools::text::isValidFileName(executable))
        throw vtools::Failure("invalid program name");
    posix::InfoPlist info;
    info.name = name;
    info.identifier = identifier;
    info.shortVersion = version;
    info.executable = executable;
    if (!icon.empty())
        info.iconFile = vtools::fileName(icon);

    makeOutputFolder(args.operands.front());
    const std::string app = args.operands.front() + "/" + name + ".app";
    if (vtools::pathExists(app))
        throw vtools::Failure(app + ": already exists");
    makeFolder(app);
    try {
        makeFolder(app + "/Contents");
        makeFolder(app + "/Contents/MacOS");
        makeFolder(app + "/Contents/Resources");
        vtools::writeNewFile(app + "/Contents/Info.plist", info.toXml(), 0644);
        copyFile(program, app + "/Contents/MacOS/" + executable, 0755);
        if (info.iconFile)
            copyFile(icon, app + "/Contents/Resources/" + *info.iconFile, 0644);
    } catch (...) {
        // Leave nothing half made; the folder is new and ours.
        try {
            vtools::removeTree(app);
        } catch (const vtools::Failure &) {
        }
        throw;
    }
    std::cout << app << "\n";
}

} // namespace pack
