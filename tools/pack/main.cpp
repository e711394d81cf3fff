// veltrane-pack: the maker's tool to make root keys, signing identities, app bundles and disk
// images. Signing itself is codesign's job.
//   veltrane-pack root-key [--name NAME] OUT
//   veltrane-pack identity --root ROOT.key --team TEAMID --name NAME OUT
//   veltrane-pack bundle --name NAME --id BUNDLE_ID --version VERSION --exec PROGRAM [--icon PNG] OUTDIR
//   veltrane-pack image OUT.dmg APP...
// bundle makes OUTDIR (and its parents) when it does not exist. image prints the image's path
// and then, for the catalogue entry that offers it, its size and SHA-256 as two JSON members:
//   "downloadSize": 123456,
//   "downloadSHA256": "<64 lower-case hex digits>"
// Exit status: 0 success, 1 failure, 2 bad usage.

#include "PackCommands.h"

#include "Failure.h"

#include <iostream>
#include <string>

namespace {

int usage()
{
    std::cerr
        << "Usage: veltrane-pack root-key [--name NAME] OUT\n"
           "       veltrane-pack identity --root ROOT.key --team TEAMID --name NAME OUT\n"
           "       veltrane-pack bundle --name NAME --id BUNDLE_ID --version VERSION --exec PROGRAM"
           " [--icon PNG] OUTDIR\n"
           "       veltrane-pack image OUT.dmg APP...\n"
           "image prints the image's path, then its \"downloadSize\" and \"downloadSHA256\" as JSON\n"
           "members to copy into the app's entry in the catalogue.\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    try {
        using pack::Arguments;
        if (command == "root-key")
            pack::rootKey(Arguments::parse(argc, argv, 2, {"--name"}));
        else if (command == "identity")
            pack::identity(Arguments::parse(argc, argv, 2, {"--root", "--team", "--name"}));
        else if (command == "bundle")
            pack::bundle(Arguments::parse(argc, argv, 2,
                                          {"--name", "--id", "--version", "--exec", "--icon"}));
        else if (command == "image")
            pack::image(Arguments::parse(argc, argv, 2, {}));
        else
            return usage();
    } catch (const vtools::Failure &failure) {
        std::cerr << "veltrane-pack: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
