#include "Report.h"

#include "Text.h"

#include <algorithm>

namespace vtools {

namespace {
constexpr size_t maxDetailsPerHeadline = 20;
} // namespace

void Report::add(Problem problem, std::string detail)
{
    items_.push_back({problem, std::move(detail), {}});
}

void Report::addNested(const std::string &nestedPath, const Report &nested)
{
    for (const Item &item : nested.items_)
        items_.push_back({item.problem, item.detail,
                          item.subcomponent.empty() ? nestedPath : item.subcomponent});
}

bool Report::has(Problem problem) const
{
    return std::any_of(items_.begin(), items_.end(),
                       [problem](const Item &i) { return i.problem == problem; });
}

const char *Report::headline(Problem problem)
{
    switch (problem) {
    case Problem::NoSuchFile:
        return "No such file or directory";
    case Problem::BundleFormat:
        return "bundle format unrecognized, invalid, or unsuitable";
    case Problem::Unreadable:
        return "the bundle could not be read";
    case Problem::NotSigned:
        return "code object is not signed at all";
    case Problem::InvalidCertificate:
        return "the signing certificate is not valid";
    case Problem::InvalidSignature:
        return "invalid signature (code or signature have been modified)";
    case Problem::InvalidResources:
        return "invalid resource directory (directory or signature have been modified)";
    case Problem::SealedResource:
        return "a sealed resource is missing or invalid";
    case Problem::LinkOutside:
        return "invalid destination for symbolic link in bundle";
    case Problem::UnsafePermissions:
        return "unsafe file permissions in bundle";
    }
    return "unknown problem";
}

std::string Report::render(const std::string &displayPath) const
{
    // The bundle's own problems first, then each nested bundle's; within each, by kind.
    std::vector<Item> sorted = items_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Item &a, const Item &b) {
        if (a.subcomponent.empty() != b.subcomponent.empty())
            return a.subcomponent.empty();
        if (a.subcomponent != b.subcomponent)
            return a.subcomponent < b.subcomponent;
        return a.problem < b.problem;
    });
    std::string out;
    size_t shown = 0, hidden = 0;
    auto flushHidden = [&] {
        if (hidden > 0)
            out += "(" + std::to_string(hidden) + " more)\n";
        hidden = 0;
    };
    for (size_t i = 0; i < sorted.size(); ++i) {
        const Item &item = sorted[i];
        const bool newGroup = i == 0 || item.problem != sorted[i - 1].problem
            || item.subcomponent != sorted[i - 1].subcomponent;
        if (newGroup) {
            flushHidden();
            shown = 0;
            out += text::escaped(displayPath) + ": " + headline(item.problem) + "\n";
            if (!item.subcomponent.empty())
                out += "In subcomponent: " + text::escaped(item.subcomponent) + "\n";
        }
        if (item.detail.empty())
            continue;
        if (shown < maxDetailsPerHeadline) {
            out += item.detail + "\n";
            ++shown;
        } else {
            ++hidden;
        }
    }
    flushHidden();
    return out;
}

} // namespace vtools
