#include "Manifest.h"

#include "Bytes.h"
#include "SealLayout.h"
#include "Text.h"

#include <algorithm>
#include <set>

namespace vtools {

namespace {

constexpr std::string_view manifestFormat = "veltrane-code-resources 1";

std::vector<std::string_view> splitSpaces(std::string_view line)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t space = line.find(' ', start);
        parts.push_back(line.substr(start, space == std::string_view::npos ? std::string_view::npos
                                                                           : space - start));
        if (space == std::string_view::npos)
            return parts;
        start = space + 1;
    }
}

bool isSealFolder(std::string_view path)
{
    const std::string_view folder = layout::signatureFolder;
    return path == folder || (path.size() > folder.size() && path.substr(0, folder.size()) == folder
                              && path[folder.size()] == '/');
}

std::string parentOf(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<Manifest> run(std::string *why)
    {
        Manifest m;
        if (!expectLine(manifestFormat) || !header("identifier", m.identifier)
            || !header("team-identifier", m.teamIdentifier) || !header("executable", m.executable))
            return fail(why, "malformed header");
        if (!text::isValidBundleIdentifier(m.identifier)
            || !text::isValidTeamIdentifier(m.teamIdentifier))
            return fail(why, "invalid identifier");
        const auto exe = text::decodePath(m.executable);
        if (!exe || !text::isValidFileName(*exe))
            return fail(why, "invalid executable name");
        m.executable = *exe;
        while (!text_.empty()) {
            const size_t end = text_.find('\n');
            if (end == std::string_view::npos)
                return fail(why, "unterminated line");
            const std::string_view line = text_.substr(0, end);
            text_.remove_prefix(end + 1);
            auto entry = parseEntry(line);
            if (!entry)
                return fail(why, "malformed entry: " + text::escaped(line.substr(0, 200)));
            if (!m.entries.empty() && !(m.entries.back().path < entry->path))
                return fail(why, "entries out of order: " + text::escaped(entry->path));
            const std::string parent = parentOf(entry->path);
            if (!parent.empty() && directories_.count(parent) == 0)
                return fail(why, "entry outside a listed folder: " + text::escaped(entry->path));
            if (entry->kind == Manifest::Entry::Kind::Directory)
                directories_.insert(entry->path);
            if (m.entries.size() >= layout::maxEntries)
                return fail(why, "too many entries");
            m.entries.push_back(std::move(*entry));
        }
        return m;
    }

private:
    static std::optional<Manifest> fail(std::string *why, const std::string &reason)
    {
        if (why)
            *why = reason;
        return std::nullopt;
    }

    bool expectLine(std::string_view expected)
    {
        if (text_.size() <= expected.size() || text_.substr(0, expected.size()) != expected
            || text_[expected.size()] != '\n')
            return false;
        text_.remove_prefix(expected.size() + 1);
        return true;
    }

    bool header(std::string_view key, std::string &value)
    {
        const size_t end = text_.find('\n');
        if (end == std::string_view::npos)
            return false;
        const std::string_view line = text_.substr(0, end);
        if (line.size() <= key.size() + 1 || line.substr(0, key.size()) != key
            || line[key.size()] != ' ')
            return false;
        value = std::string(line.substr(key.size() + 1));
        text_.remove_prefix(end + 1);
        return true;
    }

    static std::optional<Manifest::Entry> parseEntry(std::string_view line)
    {
        const auto parts = splitSpaces(line);
        if (parts.size() < 2)
            return std::nullopt;
        Manifest::Entry entry;
        const auto path = text::decodePath(parts[1]);
        if (!path || !isCleanRelativePath(*path) || isSealFolder(*path))
            return std::nullopt;
        entry.path = *path;
        if (parts[0] == "dir" && parts.size() == 2) {
            entry.kind = Manifest::Entry::Kind::Directory;
        } else if (parts[0] == "file" && parts.size() == 4 && (parts[2] == "x" || parts[2] == "-")) {
            entry.kind = Manifest::Entry::Kind::File;
            entry.executable = parts[2] == "x";
            const auto digest = fromHex(parts[3]);
            if (!digest || digest->size() != entry.digest.size())
                return std::nullopt;
            std::copy(digest->begin(), digest->end(), entry.digest.begin());
        } else if (parts[0] == "link" && parts.size() == 3) {
            entry.kind = Manifest::Entry::Kind::Symlink;
            const auto target = text::decodePath(parts[2]);
            if (!target || target->empty() || target->size() > 4095)
                return std::nullopt;
            entry.target = *target;
        } else {
            return std::nullopt;
        }
        return entry;
    }

    std::string_view text_;
    std::set<std::string> directories_;
};

} // namespace

bool isCleanRelativePath(std::string_view path)
{
    if (path.empty())
        return false;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('/', start);
        const std::string_view part = path.substr(start, slash == std::string_view::npos
                                                             ? std::string_view::npos
                                                             : slash - start);
        if (!text::isValidFileName(part))
            return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

std::string Manifest::format() const
{
    std::string out(manifestFormat);
    out += "\nidentifier " + identifier + "\nteam-identifier " + teamIdentifier + "\nexecutable "
        + text::encodePath(executable) + "\n";
    for (const Entry &e : entries) {
        switch (e.kind) {
        case Entry::Kind::Directory:
            out += "dir " + text::encodePath(e.path) + "\n";
            break;
        case Entry::Kind::File:
            out += "file " + text::encodePath(e.path) + (e.executable ? " x " : " - ")
                + toHex(e.digest) + "\n";
            break;
        case Entry::Kind::Symlink:
            out += "link " + text::encodePath(e.path) + " " + text::encodePath(e.target) + "\n";
            break;
        }
    }
    return out;
}

std::optional<Manifest> Manifest::parse(std::string_view text, std::string *why)
{
    return Parser(text).run(why);
}

} // namespace vtools
