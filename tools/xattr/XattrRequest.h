#pragma once

#include <string>
#include <vector>

namespace xattr {

// One invocation, read from the command line:
//   xattr [-lrs] FILE...            list (names, or "name: value" with -l)
//   xattr -p [-rs] NAME FILE...     print one value
//   xattr -w [-rs] NAME VALUE FILE... write
//   xattr -d [-rs] NAME FILE...     delete (an absent attribute is fine)
struct XattrRequest {
    enum class Action { List, Print, Write, Delete };

    Action action = Action::List;
    bool longList = false;  // -l
    bool recursive = false; // -r: never follows symbolic links
    bool noFollow = false;  // -s: act on a link itself
    std::string name;       // as the user writes it; stored as user.<name>
    std::string value;
    std::vector<std::string> files;

    // Parses argv; on error returns false with `error` set.
    bool parse(int argc, char **argv, std::string &error);
};

} // namespace xattr
