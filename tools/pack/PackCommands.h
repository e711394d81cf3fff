#pragma once

#include <map>
#include <string>
#include <vector>

namespace pack {

// A sub-command's arguments: "--name value" options and the remaining operands.
struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> operands;

    // Parses argv from `first` on; options in `known` take one value. Throws vtools::Failure.
    static Arguments parse(int argc, char **argv, int first, const std::vector<std::string> &known);
    std::string required(const std::string &option) const;
    std::string optional(const std::string &option) const;
};

// Each throws vtools::Failure with the message to print.
void rootKey(const Arguments &args);
void identity(const Arguments &args);
void bundle(const Arguments &args);
void image(const Arguments &args);

} // namespace pack
