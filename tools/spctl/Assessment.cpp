#include "Assessment.h"

#include "KeyFiles.h"
#include "SealVerifier.h"
#include "Text.h"

namespace spctl {

namespace {

std::string origin(const vtools::Certificate &cert)
{
    return vtools::text::escaped(cert.teamName) + " (" + cert.teamIdentifier + ")";
}

Assessment rejected(const std::string &shown, const std::string &lines)
{
    return {false, shown + ": rejected\n" + lines};
}

} // namespace

Assessment Assessment::of(const std::string &bundle, const vtools::TrustAnchors &anchors,
                          int verbose)
{
    const std::string shown = vtools::text::escaped(bundle);
    const auto result = vtools::SealVerifier({.deep = true, .strict = true}).verify(bundle);
    if (!result.ok())
        return rejected(shown, "source=no usable signature\n" + result.report.render(bundle));
    const vtools::Certificate &cert = result.seal->certificate;
    if (!anchors.trusts(cert.issuerKey)) {
        const std::string why = anchors.keys().empty()
            ? anchors.problem()
            : "the signing certificate was not issued by a trusted root ("
                + vtools::keyfiles::fingerprint(cert.issuerKey) + ")";
        return rejected(shown, "source=Unknown Developer\norigin=" + origin(cert) + "\nreason="
                            + why + "\n");
    }
    for (const vtools::Certificate &nested : result.nestedCertificates) {
        if (!anchors.trusts(nested.issuerKey))
            return rejected(shown, "source=Unknown Developer\norigin=" + origin(nested)
                                + "\nreason=nested code was signed under an untrusted root ("
                                + vtools::keyfiles::fingerprint(nested.issuerKey) + ")\n");
    }
    std::string text;
    if (verbose > 0)
        text = shown + ": accepted\nsource=Veltrane Developer ID\n";
    if (verbose > 1)
        text += "origin=" + origin(cert) + "\n";
    return {true, text};
}

} // namespace spctl
