#pragma once

#include "Certificate.h"
#include "Manifest.h"
#include "Report.h"

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace vtools {

// A bundle's seal as read from Contents/_CodeSignature, once its certificate is self-consistent,
// the signature over the manifest verifies with the certificate's key, and the manifest is well
// formed and names the certificate's team.
struct Seal {
    struct FileMode {
        std::string path; // relative to the bundle
        mode_t mode;
    };

    Manifest manifest;
    Certificate certificate;
    size_t manifestSize = 0;
    std::vector<FileMode> sealFiles; // the seal folder and its files, for --strict

    // The text the team key signs: the manifest, tagged so the signature means nothing else.
    static std::string signedText(const std::string &manifestText);

    // nullopt with the reasons added to `report` if there is no valid seal. `bundleFd` is the
    // open bundle folder.
    static std::optional<Seal> read(int bundleFd, Report &report);
};

} // namespace vtools
