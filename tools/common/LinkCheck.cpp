#include "LinkCheck.h"

#include <deque>
#include <vector>

namespace vtools {

namespace {

constexpr int maxLinkHops = 40; // the kernel's own limit

std::deque<std::string> components(const std::string &path)
{
    std::deque<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find('/', start);
        const size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string join(const std::vector<std::string> &parts)
{
    std::string out;
    for (const std::string &p : parts)
        out += out.empty() ? p : "/" + p;
    return out;
}

} // namespace

void LinkCheck::add(const std::string &path, Kind kind, const std::string &target)
{
    nodes_[path] = Node {kind, target};
}

bool LinkCheck::staysInside(const std::string &linkPath) const
{
    const auto link = nodes_.find(linkPath);
    if (link == nodes_.end() || link->second.kind != Kind::Symlink)
        return false;
    std::deque<std::string> linkParts = components(linkPath);
    linkParts.pop_back();
    std::vector<std::string> resolved(linkParts.begin(), linkParts.end());
    const std::string &firstTarget = link->second.target;
    if (firstTarget.empty() || firstTarget.front() == '/')
        return false;
    std::deque<std::string> pending = components(firstTarget);
    int hops = 0;
    while (!pending.empty()) {
        const std::string part = pending.front();
        pending.pop_front();
        if (part == ".")
            continue;
        if (part == "..") {
            if (resolved.empty())
                return false; // above the bundle
            resolved.pop_back();
            continue;
        }
        resolved.push_back(part);
        const auto node = nodes_.find(join(resolved));
        if (node == nodes_.end())
            return false; // missing
        if (node->second.kind == Kind::Symlink) {
            if (++hops > maxLinkHops)
                return false;
            const std::string &target = node->second.target;
            if (target.empty() || target.front() == '/')
                return false;
            resolved.pop_back();
            std::deque<std::string> next = components(target);
            pending.insert(pending.begin(), next.begin(), next.end());
        } else if (node->second.kind == Kind::File && !pending.empty()) {
            return false; // a file used as a folder
        }
    }
    return true;
}

} // namespace vtools
