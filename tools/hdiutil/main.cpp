// hdiutil: attaches and detaches disk images (squashfs file systems).
//   hdiutil attach IMAGE [-nobrowse] [-readonly] [-noverify] [-plist] [-quiet]
//   hdiutil detach MOUNTPOINT [-quiet] [-force]
// The argument after the verb is always the image or mount point, whatever its first character.
// Exit status: 0 success, 1 failure (message on standard error).

#include "HdiutilCommands.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2 || (args[0] != "attach" && args[0] != "detach")) {
        std::cerr << "Usage: hdiutil attach IMAGE [-nobrowse] [-readonly] [-noverify] [-plist]\n"
                     "       hdiutil detach MOUNTPOINT [-quiet] [-force]\n";
        return 1;
    }
    size_t operand = 1;
    if (args[1] == "--" && args.size() > 2)
        operand = 2;
    const std::vector<std::string> options(args.begin() + static_cast<std::ptrdiff_t>(operand) + 1,
                                           args.end());
    try {
        return args[0] == "attach" ? hdiutil::attach(args[operand], options)
                                   : hdiutil::detach(args[operand], options);
    } catch (const std::exception &e) {
        std::cerr << "hdiutil: " << args[0] << " failed - " << e.what() << "\n";
        return 1;
    }
}
