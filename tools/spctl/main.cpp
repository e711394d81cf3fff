// spctl: the system's assessment of an app before it is installed.
//   spctl -a [-v[v]] [-t exec] APP
// Exit status: 0 accepted, 3 rejected (reasons on standard error), 2 bad usage.

#include "Assessment.h"

#include "CommandLine.h"

#include <iostream>

namespace {

int usage(const std::string &problem)
{
    std::cerr << "spctl: " << problem << "\nUsage: spctl -a [-v] [-t exec] APP\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const auto line = vtools::CommandLine::split(argc, argv, {"-t", "--type"});
    if (!line.error.empty())
        return usage(line.error);
    bool assess = false;
    int verbose = 0;
    for (const auto &[option, value] : line.options) {
        if (option == "-t" || option == "--type") {
            if (value != "exec" && value != "execute")
                return usage("only the exec assessment type is supported");
        } else if (option == "--assess") {
            assess = true;
        } else if (option == "--verbose") {
            ++verbose;
        } else if (option.size() >= 2 && option[1] != '-') {
            for (const char flag : option.substr(1)) {
                if (flag == 'a')
                    assess = true;
                else if (flag == 'v')
                    ++verbose;
                else
                    return usage("unknown option -" + std::string(1, flag));
            }
        } else {
            return usage("unknown option " + option);
        }
    }
    if (!assess)
        return usage("only assessment (-a) is supported");
    if (line.operands.size() != 1)
        return usage("exactly one app path is needed");
    try {
        const auto anchors = vtools::TrustAnchors::load(vtools::TrustAnchors::installedFolder());
        const auto assessment = spctl::Assessment::of(line.operands.front(), anchors, verbose);
        std::cerr << assessment.text;
        return assessment.accepted ? 0 : 3;
    } catch (const std::exception &e) {
        std::cerr << line.operands.front() << ": rejected\nsource=" << e.what() << "\n";
        return 3;
    }
}
