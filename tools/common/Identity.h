#pragma once

#include "Certificate.h"
#include "KeyFiles.h"

#include <string>

namespace vtools {

// A signing identity on disk: IDENTITY.key (the team's secret, mode 0600) and IDENTITY.cert
// (its certificate). `codesign --sign IDENTITY` accepts the common prefix or either file.
struct Identity {
    SigningKey key;
    Certificate certificate;

    static std::string keyPath(const std::string &prefix) { return prefix + ".key"; }
    static std::string certificatePath(const std::string &prefix) { return prefix + ".cert"; }

    // Loads both halves and checks that they belong together and that the certificate is
    // self-consistent; throws Failure otherwise.
    static Identity load(const std::string &identity);
};

} // namespace vtools
