#pragma once

#include "Ed25519.h"

#include <optional>
#include <string>
#include <string_view>

namespace vtools {

// A root of trust: its secret issues team certificates; its public half, copied into an
// anchors folder, is what spctl trusts.
struct RootKey {
    std::string name;
    ed25519::Seed seed {};
};

struct RootPublicKey {
    std::string name;
    ed25519::PublicKey key {};
};

// A team's signing secret; its public half travels in the team's certificate.
struct SigningKey {
    ed25519::Seed seed {};
};

namespace keyfiles {

std::string format(const RootKey &key);
std::string format(const RootPublicKey &key);
std::string format(const SigningKey &key);

std::optional<RootKey> parseRootKey(std::string_view text);
std::optional<RootPublicKey> parseRootPublicKey(std::string_view text);
std::optional<SigningKey> parseSigningKey(std::string_view text);

// Secrets are read only from files that nobody but the owner can read or write.
RootKey loadRootKey(const std::string &path);
SigningKey loadSigningKey(const std::string &path);

// Writes a new secret file with mode 0600; an existing file is never replaced.
void saveSecret(const std::string &path, const std::string &text);

// Short, stable name of a public key for messages: the first 8 bytes of its SHA-256, in hex.
std::string fingerprint(const ed25519::PublicKey &key);

} // namespace keyfiles
} // namespace vtools
