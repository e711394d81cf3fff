#include "Certificate.h"

#include "Bytes.h"
#include "Failure.h"
#include "RecordFile.h"
#include "Text.h"

#include <algorithm>

namespace vtools {

namespace {

constexpr std::string_view certificateFormat = "veltrane-certificate 1";
// Keeps a root's signature on a certificate from being replayed as any other signed text.
constexpr std::string_view signatureDomain = "veltrane certificate signature 1\n";

template <typename Array>
bool decodeInto(const std::string &base64, Array &out)
{
    const auto bytes = fromBase64(base64, out.size());
    if (!bytes)
        return false;
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return true;
}

} // namespace

Certificate Certificate::issue(const std::string &teamIdentifier, const std::string &teamName,
                               const ed25519::PublicKey &teamKey, const RootKey &root)
{
    if (!text::isValidTeamIdentifier(teamIdentifier))
        throw Failure("invalid team identifier (use 1 to 32 characters A-Z and 0-9)");
    if (!text::isValidName(teamName))
        throw Failure("invalid team name (1 to 128 characters, no control characters or '=')");
    Certificate cert;
    cert.teamIdentifier = teamIdentifier;
    cert.teamName = teamName;
    cert.teamKey = teamKey;
    cert.issuerName = root.name;
    ed25519::KeyPair rootPair = ed25519::fromSeed(root.seed);
    cert.issuerKey = rootPair.publicKey;
    cert.signature = ed25519::sign(cert.signedText(), rootPair.secretKey);
    ed25519::wipe(rootPair.secretKey);
    return cert;
}

std::string Certificate::signedText() const
{
    return std::string(signatureDomain)
        + record::write(certificateFormat, {{"team-identifier", teamIdentifier},
                                            {"team-name", teamName},
                                            {"team-key", toBase64(teamKey)},
                                            {"issuer-name", issuerName},
                                            {"issuer-key", toBase64(issuerKey)}});
}

std::string Certificate::format() const
{
    return record::write(certificateFormat, {{"team-identifier", teamIdentifier},
                                             {"team-name", teamName},
                                             {"team-key", toBase64(teamKey)},
                                             {"issuer-name", issuerName},
                                             {"issuer-key", toBase64(issuerKey)},
                                             {"signature", toBase64(signature)}});
}

std::optional<Certificate> Certificate::parse(std::string_view text)
{
    const auto values = record::read(text, certificateFormat,
                                     {"team-identifier", "team-name", "team-key", "issuer-name",
                                      "issuer-key", "signature"});
    if (!values)
        return std::nullopt;
    Certificate cert;
    cert.teamIdentifier = (*values)[0];
    cert.teamName = (*values)[1];
    cert.issuerName = (*values)[3];
    if (!text::isValidTeamIdentifier(cert.teamIdentifier) || !text::isValidName(cert.teamName)
        || !text::isValidName(cert.issuerName) || !decodeInto((*values)[2], cert.teamKey)
        || !decodeInto((*values)[4], cert.issuerKey) || !decodeInto((*values)[5], cert.signature))
        return std::nullopt;
    return cert;
}

bool Certificate::isSelfConsistent() const
{
    return ed25519::verify(signedText(), signature, issuerKey);
}

} // namespace vtools
