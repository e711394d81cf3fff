#include "PackCommands.h"

#include "Certificate.h"
#include "Ed25519.h"
#include "Failure.h"
#include "Files.h"
#include "Identity.h"
#include "KeyFiles.h"

#include <unistd.h>

#include <iostream>

namespace pack {

void identity(const Arguments &args)
{
    if (args.operands.size() != 1)
        throw vtools::Failure("identity needs one output name");
    const std::string out = args.operands.front();
    vtools::RootKey root = vtools::keyfiles::loadRootKey(args.required("--root"));
    vtools::ed25519::KeyPair team = vtools::ed25519::generate();
    const vtools::Certificate certificate = vtools::Certificate::issue(
        args.required("--team"), args.required("--name"), team.publicKey, root);
    vtools::ed25519::wipe(root.seed);
    vtools::SigningKey key {vtools::ed25519::seedOf(team.secretKey)};
    vtools::ed25519::wipe(team.secretKey);
    vtools::writeNewFile(vtools::Identity::certificatePath(out), certificate.format(), 0644);
    try {
        vtools::keyfiles::saveSecret(vtools::Identity::keyPath(out), vtools::keyfiles::format(key));
        vtools::ed25519::wipe(key.seed);
    } catch (...) {
        ::unlink(vtools::Identity::certificatePath(out).c_str());
        throw;
    }
    std::cout << vtools::Identity::keyPath(out) << ": signing key of team "
              << certificate.teamIdentifier << "\n"
              << vtools::Identity::certificatePath(out) << ": its certificate, issued by "
              << certificate.issuerName << " (" << vtools::keyfiles::fingerprint(certificate.issuerKey)
              << ")\nSign with: codesign --sign " << out << " APP\n";
}

} // namespace pack
