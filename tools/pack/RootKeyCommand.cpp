#include "PackCommands.h"

#include "Ed25519.h"
#include "Failure.h"
#include "Files.h"
#include "KeyFiles.h"
#include "Text.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>

namespace pack {

Arguments Arguments::parse(int argc, char **argv, int first, const std::vector<std::string> &known)
{
    Arguments args;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            args.operands.insert(args.operands.end(), argv + i + 1, argv + argc);
            break;
        }
        if (arg.size() > 1 && arg.front() == '-' && args.operands.empty()) {
            if (std::find(known.begin(), known.end(), arg) == known.end())
                throw vtools::Failure("unknown option " + arg);
            if (i + 1 >= argc)
                throw vtools::Failure("option " + arg + " requires a value");
            if (!args.options.emplace(arg, argv[++i]).second)
                throw vtools::Failure("option " + arg + " given twice");
        } else {
            args.operands.push_back(arg);
        }
    }
    return args;
}

std::string Arguments::required(const std::string &option) const
{
    const auto it = options.find(option);
    if (it == options.end() || it->second.empty())
        throw vtools::Failure("missing " + option);
    return it->second;
}

std::string Arguments::optional(const std::string &option) const
{
    const auto it = options.find(option);
    return it == options.end() ? std::string() : it->second;
}

void rootKey(const Arguments &args)
{
    if (args.operands.size() != 1)
        throw vtools::Failure("root-key needs one output name");
    const std::string out = args.operands.front();
    vtools::RootKey key;
    key.name = args.optional("--name").empty() ? "Veltrane Root CA" : args.optional("--name");
    if (!vtools::text::isValidName(key.name))
        throw vtools::Failure("invalid root name (1 to 128 characters, no control characters or '=')");
    vtools::ed25519::KeyPair pair = vtools::ed25519::generate();
    key.seed = vtools::ed25519::seedOf(pair.secretKey);
    vtools::ed25519::wipe(pair.secretKey);
    // The public half first: if it cannot be written, no orphaned secret is left behind.
    const std::string publicText = vtools::keyfiles::format(vtools::RootPublicKey {key.name, pair.publicKey});
    vtools::writeNewFile(out + ".pub", publicText, 0644);
    try {
        std::string secretText = vtools::keyfiles::format(key);
        vtools::keyfiles::saveSecret(out + ".key", secretText);
        vtools::ed25519::wipe(key.seed);
    } catch (...) {
        ::unlink((out + ".pub").c_str());
        throw;
    }
    std::cout << out << ".key: root secret (keep it offline)\n"
              << out << ".pub: trust anchor " << vtools::keyfiles::fingerprint(pair.publicKey)
              << " (copy into share/veltrane-hub/anchors/)\n";
}

} // namespace pack
