#include "PackCommands.h"

#include "Failure.h"
#include "Files.h"
#include "InfoPlist.h"
#include "Text.h"

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

void copyFile(const std::string &from, const std::string &to, mode_t mode)
{
    vtools::writeNewFile(to, vtools::readFile(from, 1ull << 32), mode);
}

} // namespace

void bundle(const Arguments &args)
{
    if (args.operands.size() != 1)
        throw vtools::Failure("bundle needs one output folder");
    vtools::InfoPlist info;
    info.name = args.required("--name");
    info.identifier = args.required("--id");
    info.version = args.required("--version");
    const std::string program = args.required("--exec");
    const std::string icon = args.optional("--icon");
    info.executable = vtools::fileName(program);
    info.iconFile = icon.empty() ? std::string() : vtools::fileName(icon);
    if (!vtools::text::isValidFileName(info.name) || !vtools::text::isValidName(info.name))
        throw vtools::Failure("invalid bundle name: " + vtools::text::escaped(info.name));
    if (!vtools::text::isValidBundleIdentifier(info.identifier))
        throw vtools::Failure("invalid bundle identifier (letters, digits, '.' and '-')");
    if (!vtools::text::isValidName(info.version))
        throw vtools::Failure("invalid version");
    if (!vtools::text::isValidFileName(info.executable))
        throw vtools::Failure("invalid program name");

    const std::string app = args.operands.front() + "/" + info.name + ".app";
    if (vtools::pathExists(app))
        throw vtools::Failure(app + ": already exists");
    makeFolder(app);
    try {
        makeFolder(app + "/Contents");
        makeFolder(app + "/Contents/MacOS");
        makeFolder(app + "/Contents/Resources");
        vtools::writeNewFile(app + "/Contents/Info.plist", info.toXml(), 0644);
        copyFile(program, app + "/Contents/MacOS/" + info.executable, 0755);
        if (!icon.empty())
            copyFile(icon, app + "/Contents/Resources/" + info.iconFile, 0644);
    } catch (...) {
        // Leave nothing half made; the folder is new and ours.
        if (!info.iconFile.empty())
            ::unlink((app + "/Contents/Resources/" + info.iconFile).c_str());
        ::unlink((app + "/Contents/MacOS/" + info.executable).c_str());
        ::unlink((app + "/Contents/Info.plist").c_str());
        ::rmdir((app + "/Contents/Resources").c_str());
        ::rmdir((app + "/Contents/MacOS").c_str());
        ::rmdir((app + "/Contents").c_str());
        ::rmdir(app.c_str());
        throw;
    }
    std::cout << app << "\n";
}

} // namespace pack
