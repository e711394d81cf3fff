// codesign: seals and signs app bundles, verifies them and shows who signed them.
//   codesign --sign IDENTITY [--force] [--deep] APP
//   codesign --verify [--deep] [--strict] [-v] APP
//   codesign -dv APP
// Exit status: 0 success, 1 failure (messages on standard error), 2 bad usage.

#include "CodesignCommands.h"

#include "CommandLine.h"

#include <iostream>

namespace {

int usage(const std::string &problem)
{
    std::cerr << "codesign: " << problem << "\n"
              << "Usage: codesign --sign IDENTITY [--force] [--deep] APP\n"
                 "       codesign --verify [--deep] [--strict] [-v] APP\n"
                 "       codesign -d [-v] APP\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const auto line = vtools::CommandLine::split(argc, argv, {"--sign", "-s"});
    if (!line.error.empty())
        return usage(line.error);
    codesign::Request request;
    bool verify = false, display = false;
    for (const auto &[option, value] : line.options) {
        if (option == "--sign" || option == "-s")
            request.identity = value;
        else if (option == "--force")
            request.force = true;
        else if (option == "--deep")
            request.deep = true;
        else if (option == "--strict")
            request.strict = true;
        else if (option == "--verify")
            verify = true;
        else if (option == "--display")
            display = true;
        else if (option == "--verbose")
            ++request.verbose;
        else if (option.size() >= 2 && option[1] != '-') {
            for (const char flag : option.substr(1)) {
                if (flag == 'v')
                    ++request.verbose;
                else if (flag == 'd')
                    display = true;
                else if (flag == 'f')
                    request.force = true;
                else
                    return usage("unknown option -" + std::string(1, flag));
            }
        } else {
            return usage("unknown option " + option);
        }
    }
    if (line.operands.size() != 1)
        return usage("exactly one bundle path is needed");
    request.bundle = line.operands.front();
    // Without another operation, -v means verify, as it does on macOS.
    verify = verify || (!display && request.identity.empty() && request.verbose > 0);
    if (int(verify) + int(display) + int(!request.identity.empty()) != 1)
        return usage("give exactly one of --sign, --verify or -d");
    try {
        if (display)
            return codesign::display(request);
        if (verify)
            return codesign::verify(request);
        return codesign::sign(request);
    } catch (const std::exception &e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}
