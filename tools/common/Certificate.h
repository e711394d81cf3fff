#pragma once

#include "Ed25519.h"
#include "KeyFiles.h"

#include <optional>
#include <string>
#include <string_view>

namespace vtools {

// A team's signing certificate: the team's identifier, name and public key, signed by a root.
// A certificate is self-consistent when the root's signature verifies with the issuer key it
// names; whether that root is trusted is for spctl to decide.
struct Certificate {
    std::string teamIdentifier;
    std::string teamName;
    ed25519::PublicKey teamKey {};
    std::string issuerName;
    ed25519::PublicKey issuerKey {};
    ed25519::Signature signature {};

    static Certificate issue(const std::string &teamIdentifier, const std::string &teamName,
                             const ed25519::PublicKey &teamKey, const RootKey &root);

    std::string format() const;
    static std::optional<Certificate> parse(std::string_view text);

    bool isSelfConsistent() const;

private:
    std::string signedText() const;
};

} // namespace vtools
