#pragma once

#include "Anchors.h"

#include <string>

namespace spctl {

// Whether an app may run: its seal verifies deeply and strictly, and its certificate (and that
// of every nested bundle) was issued by a root in the installation's anchors.
struct Assessment {
    bool accepted = false;
    std::string text; // the lines to print, each ending in a line feed

    static Assessment of(const std::string &bundle, const vtools::TrustAnchors &anchors,
                         int verbose);
};

} // namespace spctl
