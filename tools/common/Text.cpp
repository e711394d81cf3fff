#include "Text.h"

namespace vtools::text {

namespace {

void appendHexEscape(std::string &out, unsigned char c)
{
    static constexpr char digits[] = "0123456789abcdef";
    out += "\\x";
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 0xf]);
}

std::string escape(std::string_view s, bool alsoEquals)
{
    std::string out;
    out.reserve(s.size());
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f || c == '\\' || (alsoEquals && c == '='))
            appendHexEscape(out, c);
        else
            out.push_back(ch);
    }
    return out;
}

bool isPathSafe(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
        || c == '.' || c == '_' || c == '~' || c == '+' || c == ',' || c == '@' || c == '/'
        || c == '-';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isAlnum(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

std::string escaped(std::string_view s)
{
    return escape(s, false);
}

std::string escapedValue(std::string_view s)
{
    return escape(s, true);
}

std::string encodePath(std::string_view raw)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(raw.size());
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (isPathSafe(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 0xf]);
        }
    }
    return out;
}

std::optional<std::string> decodePath(std::string_view encoded)
{
    std::string out;
    out.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size(); ++i) {
        const auto c = static_cast<unsigned char>(encoded[i]);
        if (c == '%') {
            if (i + 2 >= encoded.size())
                return std::nullopt;
            const int hi = hexValue(encoded[i + 1]);
            const int lo = hexValue(encoded[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            const auto decoded = static_cast<unsigned char>(hi << 4 | lo);
            if (decoded == 0 || isPathSafe(decoded))
                return std::nullopt; // NUL, or a byte that must be written plainly
            out.push_back(static_cast<char>(decoded));
            i += 2;
        } else if (isPathSafe(c)) {
            out.push_back(static_cast<char>(c));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

bool isValidName(std::string_view s)
{
    if (s.empty() || s.size() > 128)
        return false;
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f || c == '=')
            return false;
    }
    return true;
}

bool isValidTeamIdentifier(std::string_view s)
{
    if (s.empty() || s.size() > 32)
        return false;
    for (const char c : s) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

bool isValidBundleIdentifier(std::string_view s)
{
    if (s.empty() || s.size() > 255 || !isAlnum(s.front()))
        return false;
    for (const char c : s) {
        if (!(isAlnum(c) || c == '.' || c == '-'))
            return false;
    }
    return true;
}

bool isValidFileName(std::string_view s)
{
    return !s.empty() && s != "." && s != ".." && s.find('/') == std::string_view::npos
        && s.find('\0') == std::string_view::npos;
}

bool endsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

} // namespace vtools::text
