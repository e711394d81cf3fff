#include "XattrRequest.h"

#include "CommandLine.h"

namespace xattr {

bool XattrRequest::parse(int argc, char **argv, std::string &error)
{
    const auto line = vtools::CommandLine::split(argc, argv);
    int actions = 0;
    for (const auto &[option, value] : line.options) {
        if (option.size() < 2 || option[1] == '-') {
            error = "unknown option " + option;
            return false;
        }
        for (const char flag : option.substr(1)) {
            switch (flag) {
            case 'l': longList = true; break;
            case 'r': recursive = true; break;
            case 's': noFollow = true; break;
            case 'p': action = Action::Print; ++actions; break;
            case 'w': action = Action::Write; ++actions; break;
            case 'd': action = Action::Delete; ++actions; break;
            default:
                error = "unknown option -" + std::string(1, flag);
                return false;
            }
        }
    }
    if (actions > 1) {
        error = "give only one of -p, -w and -d";
        return false;
    }
    std::vector<std::string> rest = line.operands;
    const size_t needed = action == Action::Write ? 2 : action == Action::List ? 0 : 1;
    if (rest.size() < needed + 1) {
        error = "missing operand";
        return false;
    }
    if (needed >= 1)
        name = rest[0];
    if (needed == 2)
        value = rest[1];
    files.assign(rest.begin() + static_cast<std::ptrdiff_t>(needed), rest.end());
    if (needed >= 1 && (name.empty() || name.size() > 240)) {
        error = "invalid attribute name";
        return false;
    }
    return true;
}

} // namespace xattr
