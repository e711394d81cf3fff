#include "CommandLine.h"

namespace vtools {

CommandLine CommandLine::split(int argc, char **argv, const std::set<std::string> &withValue)
{
    CommandLine line;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const size_t last = args.empty() ? 0 : args.size() - 1;
    size_t i = 0;
    for (; i < last; ++i) {
        const std::string &arg = args[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg.size() < 2 || arg.front() != '-')
            break;
        if (withValue.count(arg) != 0) {
            if (i + 1 >= last) {
                line.error = "option " + arg + " requires an argument";
                return line;
            }
            line.options.emplace_back(arg, args[i + 1]);
            ++i;
        } else {
            line.options.emplace_back(arg, std::string());
        }
    }
    line.operands.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return line;
}

} // namespace vtools
