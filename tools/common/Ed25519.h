#pragma once

#include <array>
#include <string_view>

namespace vtools::ed25519 {

using PublicKey = std::array<unsigned char, 32>;
using SecretKey = std::array<unsigned char, 64>; // libsodium's seed + public key form
using Signature = std::array<unsigned char, 64>;
using Seed = std::array<unsigned char, 32>;        // what key files store

struct KeyPair {
    PublicKey publicKey {};
    SecretKey secretKey {};
};

KeyPair generate();
KeyPair fromSeed(const Seed &seed);
Seed seedOf(const SecretKey &secretKey);
Signature sign(std::string_view message, const SecretKey &secretKey);
bool verify(std::string_view message, const Signature &signature, const PublicKey &publicKey);

// Erases a secret from memory when it is no longer needed.
void wipe(SecretKey &secretKey);
void wipe(Seed &seed);

} // namespace vtools::ed25519
