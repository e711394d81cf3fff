#pragma once

#include <string>
#include <vector>

namespace vtools {

// What a check found wrong with a bundle, in the style of macOS codesign: one headline per kind
// of problem ("X.app: a sealed resource is missing or invalid"), followed by one line per file.
class Report {
public:
    enum class Problem {
        NoSuchFile,
        BundleFormat,
        Unreadable,
        NotSigned,
        InvalidCertificate,
        InvalidSignature,
        InvalidResources,
        SealedResource,
        LinkOutside,
        UnsafePermissions,
    };

    struct Item {
        Problem problem;
        std::string detail;       // already escaped for printing; may be empty
        std::string subcomponent; // absolute path of the nested bundle it concerns, or empty
    };

    void add(Problem problem, std::string detail = {});
    // Takes over a nested bundle's problems, marked with the nested bundle's path.
    void addNested(const std::string &nestedPath, const Report &nested);

    bool ok() const { return items_.empty(); }
    bool has(Problem problem) const;
    const std::vector<Item> &items() const { return items_; }

    // The lines to print, each ending in a line feed; `displayPath` names the bundle.
    std::string render(const std::string &displayPath) const;

    static const char *headline(Problem problem);

private:
    std::vector<Item> items_;
};

} // namespace vtools
