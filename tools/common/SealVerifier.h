#pragma once

#include "Certificate.h"
#include "Report.h"
#include "SealReader.h"

#include <optional>
#include <string>
#include <vector>

namespace vtools {

// Checks a bundle against its seal: every file, folder and link present, unchanged and nothing
// added; links stay inside; with `deep` every nested bundle is checked the same way; with
// `strict` set-user-id, set-group-id and world-writable entries are refused.
class SealVerifier {
public:
    struct Options {
        bool deep = false;
        bool strict = false;
    };

    struct Result {
        Report report;
        std::optional<Seal> seal;                       // when the seal itself could be read
        std::vector<Certificate> nestedCertificates; // of every nested bundle checked (deep)
        bool ok() const { return report.ok(); }
    };

    explicit SealVerifier(Options options) : options_(options) {}

    Result verify(const std::string &bundlePath) const;

private:
    Result verifyOpen(int bundleFd, const std::string &absolutePath) const;

    Options options_;
};

// Opens a bundle folder for checking: it must be a folder itself, not a link to one elsewhere.
// Returns -1 (and says why in `report`) otherwise.
int openBundleFolder(const std::string &bundlePath, Report &report);

// Folders named *.app below a bundle that are not inside another such folder: the bundles
// nested directly in it. `paths` are relative paths of folders, sorted.
std::vector<std::string> outermostNestedBundles(const std::vector<std::string> &folderPaths);

} // namespace vtools
