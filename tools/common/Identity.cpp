#include "Identity.h"

#include "Failure.h"
#include "Files.h"
#include "Text.h"

namespace vtools {

namespace {

std::string prefixOf(const std::string &identity)
{
    for (const std::string_view suffix : {".key", ".cert"}) {
        if (text::endsWith(identity, suffix))
            return identity.substr(0, identity.size() - suffix.size());
    }
    return identity;
}

} // namespace

Identity Identity::load(const std::string &identity)
{
    const std::string prefix = prefixOf(identity);
    const std::string certText = readFile(certificatePath(prefix), 4096);
    const auto certificate = Certificate::parse(certText);
    if (!certificate)
        throw Failure(certificatePath(prefix) + ": not a signing certificate");
    if (!certificate->isSelfConsistent())
        throw Failure(certificatePath(prefix) + ": the certificate's signature is invalid");
    Identity result {keyfiles::loadSigningKey(keyPath(prefix)), *certificate};
    ed25519::KeyPair pair = ed25519::fromSeed(result.key.seed);
    const bool matches = pair.publicKey == result.certificate.teamKey;
    ed25519::wipe(pair.secretKey);
    if (!matches)
        throw Failure(identity + ": the signing key does not match its certificate");
    return result;
}

} // namespace vtools
