#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vtools {

// Splits a tool's arguments into options and operands. Options are read from the front until
// "--" or the first argument that does not begin with '-'. The last argument is always an
// operand, so a bundle path that begins with '-' can never be taken for an option.
struct CommandLine {
    using Option = std::pair<std::string, std::string>; // spelling as given, value or empty

    std::vector<Option> options;
    std::vector<std::string> operands;
    std::string error; // set when an option's value is missing

    // `withValue`: the option spellings that take the next argument as their value.
    static CommandLine split(int argc, char **argv, const std::set<std::string> &withValue = {});
};

} // namespace vtools
