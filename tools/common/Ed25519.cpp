#include "Ed25519.h"

#include "Failure.h"

#include <sodium.h>

namespace vtools::ed25519 {

namespace {

void ensureInitialised()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw Failure("libsodium could not be initialised");
}

const unsigned char *bytes(std::string_view s)
{
    return reinterpret_cast<const unsigned char *>(s.data());
}

} // namespace

KeyPair generate()
{
    ensureInitialised();
    KeyPair pair;
    crypto_sign_keypair(pair.publicKey.data(), pair.secretKey.data());
    return pair;
}

KeyPair fromSeed(const Seed &seed)
{
    ensureInitialised();
    KeyPair pair;
    crypto_sign_seed_keypair(pair.publicKey.data(), pair.secretKey.data(), seed.data());
    return pair;
}

Seed seedOf(const SecretKey &secretKey)
{
    Seed seed {};
    crypto_sign_ed25519_sk_to_seed(seed.data(), secretKey.data());
    return seed;
}

Signature sign(std::string_view message, const SecretKey &secretKey)
{
    ensureInitialised();
    Signature signature {};
    crypto_sign_detached(signature.data(), nullptr, bytes(message), message.size(),
                         secretKey.data());
    return signature;
}

bool verify(std::string_view message, const Signature &signature, const PublicKey &publicKey)
{
    ensureInitialised();
    return crypto_sign_verify_detached(signature.data(), bytes(message), message.size(),
                                       publicKey.data())
        == 0;
}

void wipe(SecretKey &secretKey)
{
    sodium_memzero(secretKey.data(), secretKey.size());
}

void wipe(Seed &seed)
{
    sodium_memzero(seed.data(), seed.size());
}

} // namespace vtools::ed25519
