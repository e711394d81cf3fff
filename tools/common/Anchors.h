#pragma once

#include "KeyFiles.h"

#include <string>
#include <vector>

namespace vtools {

// The root public keys an installation trusts: the *.pub files of the anchors folder. The
// folder is found from the running program's own location (share/veltrane-hub/anchors beside
// libexec/veltrane-hub/), never from the environment or the user's files, so nothing but the
// installation itself decides what is trusted.
class TrustAnchors {
public:
    static std::string installedFolder();
    static TrustAnchors load(const std::string &folder);

    bool trusts(const ed25519::PublicKey &key) const;
    const std::vector<RootPublicKey> &keys() const { return keys_; }
    // Why the folder gave no anchors at all, if it did not.
    const std::string &problem() const { return problem_; }

private:
    std::vector<RootPublicKey> keys_;
    std::string problem_;
};

} // namespace vtools
