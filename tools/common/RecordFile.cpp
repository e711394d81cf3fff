#include "RecordFile.h"

#include "Failure.h"

namespace vtools::record {

namespace {

bool isValidValue(std::string_view value)
{
    if (value.empty())
        return false;
    for (const char c : value) {
        if (c == '\n' || c == '\r' || c == '\0')
            return false;
    }
    return true;
}

// The next line without its line feed; nullopt if the text has no further complete line.
std::optional<std::string_view> takeLine(std::string_view &text)
{
    const size_t end = text.find('\n');
    if (end == std::string_view::npos)
        return std::nullopt;
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return line;
}

} // namespace

std::string write(std::string_view format, const std::vector<Field> &fields)
{
    std::string out(format);
    out += '\n';
    for (const auto &[key, value] : fields) {
        if (!isValidValue(value))
            throw Failure("invalid value for " + key);
        out += key + ' ' + value + '\n';
    }
    return out;
}

std::optional<std::vector<std::string>> read(std::string_view text, std::string_view format,
                                             const std::vector<std::string_view> &keys)
{
    const auto first = takeLine(text);
    if (!first || *first != format)
        return std::nullopt;
    std::vector<std::string> values;
    for (const std::string_view key : keys) {
        const auto line = takeLine(text);
        if (!line || line->size() <= key.size() || line->substr(0, key.size()) != key
            || (*line)[key.size()] != ' ')
            return std::nullopt;
        const std::string_view value = line->substr(key.size() + 1);
        if (!isValidValue(value))
            return std::nullopt;
        values.emplace_back(value);
    }
    if (!text.empty())
        return std::nullopt;
    return values;
}

} // namespace vtools::record
