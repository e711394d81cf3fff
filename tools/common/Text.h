#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vtools::text {

// For messages: control characters and backslashes become \xHH, so a file name cannot forge
// extra lines or terminal sequences.
std::string escaped(std::string_view s);

// For "Key=value" lines that a reader searches for "Key=": additionally escapes '=', so a value
// (a path, a name) can never contain another key's "Key=" text.
std::string escapedValue(std::string_view s);

// Percent-encoding of a path for the manifest: bytes outside [A-Za-z0-9._~+,@/-] become %XX
// (upper case). decodePath accepts only the canonical spelling.
std::string encodePath(std::string_view raw);
std::optional<std::string> decodePath(std::string_view encoded);

// A display name (team, root authority): 1 to 128 bytes, no control characters, no '='.
bool isValidName(std::string_view s);
// A team identifier: 1 to 32 characters of A-Z and 0-9.
bool isValidTeamIdentifier(std::string_view s);
// A bundle identifier: 1 to 255 characters of A-Z, a-z, 0-9, '.' and '-', starting with a
// letter or digit.
bool isValidBundleIdentifier(std::string_view s);
// One path component other than "." and "..", without '/' or NUL.
bool isValidFileName(std::string_view s);

bool endsWith(std::string_view s, std::string_view suffix);

} // namespace vtools::text
