#pragma once

#include "Identity.h"

#include <string>

namespace vtools {

// Seals and signs a bundle: lists every file, folder and link below it (except the seal folder)
// with the SHA-256 of each file, and writes the manifest, the identity's signature over it and
// the identity's certificate into Contents/_CodeSignature. Throws Failure with the message to
// print when the bundle cannot be signed.
class SealSigner {
public:
    struct Options {
        bool force = false; // replace an existing seal
        bool deep = false;  // sign nested bundles first
    };

    SealSigner(const Identity &identity, Options options) : identity_(identity), options_(options) {}

    void sign(const std::string &bundlePath) const;

private:
    void signOpen(int bundleFd, const std::string &absolutePath) const;
    void prepareNested(int bundleFd, const std::string &absolutePath) const;

    const Identity &identity_;
    Options options_;
};

} // namespace vtools
