#include "CodesignCommands.h"

#include "Files.h"
#include "KeyFiles.h"
#include "SealLayout.h"
#include "SealReader.h"
#include "SealVerifier.h"
#include "Text.h"

#include <iostream>

namespace codesign {

namespace {

using vtools::text::escapedValue;

// Readers search these lines for "Key=" texts (the installer looks for "TeamIdentifier="), so
// every value is escaped: no path or name can smuggle in a second "Key=".
void printDetails(const std::string &bundle, const vtools::Seal &seal)
{
    const auto &cert = seal.certificate;
    const auto &manifest = seal.manifest;
    size_t files = 0;
    for (const auto &entry : manifest.entries)
        files += entry.kind == vtools::Manifest::Entry::Kind::File ? 1 : 0;
    const std::string executable = vtools::absolutePath(bundle) + "/" + vtools::layout::macOS
        + "/" + manifest.executable;
    std::cerr << "Executable=" << escapedValue(executable) << "\n"
              << "Identifier=" << escapedValue(manifest.identifier) << "\n"
              << "Format=app bundle\n"
              << "Signature size=" << cert.signature.size() << "\n"
              << "Authority=" << escapedValue(cert.teamName) << " (" << cert.teamIdentifier << ")\n"
              << "Authority=" << escapedValue(cert.issuerName) << " ("
              << vtools::keyfiles::fingerprint(cert.issuerKey) << ")\n"
              << "TeamIdentifier=" << cert.teamIdentifier << "\n"
              << "Sealed Resources version=1 files=" << files << "\n";
}

std::string escapedReport(const vtools::Report &report, const std::string &bundle)
{
    // The report escapes control characters; '=' must not pass either.
    std::string text = report.render(bundle);
    std::string out;
    for (const char c : text) {
        if (c == '=')
            out += "\\x3d";
        else
            out.push_back(c);
    }
    return out;
}

} // namespace

int display(const Request &request)
{
    vtools::Report report;
    posix::FileDescriptor fd(vtools::openBundleFolder(request.bundle, report));
    std::optional<vtools::Seal> seal;
    if (fd.valid())
        seal = vtools::Seal::read(fd.get(), report);
    if (!seal) {
        std::cerr << escapedReport(report, request.bundle);
        return 1;
    }
    printDetails(request.bundle, *seal);
    return 0;
}

} // namespace codesign
