#include "SealReader.h"

#include "Failure.h"
#include "Files.h"
#include "OpenBeneath.h"
#include "SealLayout.h"
#include "Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

namespace vtools {

namespace {

constexpr std::string_view sealDomain = "veltrane code seal 1\n";

std::string sealPath(const std::string &name)
{
    return std::string(layout::signatureFolder) + "/" + name;
}

// Lists the seal folder: only the three known files belong there.
void checkSealFolderContents(int folderFd, Report &report, std::vector<Seal::FileMode> &modes)
{
    std::vector<std::string> names;
    try {
        names = listFolder(folderFd, layout::signatureFolder);
    } catch (const Failure &failure) {
        report.add(Report::Problem::Unreadable, text::escaped(failure.what()));
        return;
    }
    const std::set<std::string> known = {layout::manifestFile, layout::signatureFile,
                                          layout::certificateFile};
    for (const std::string &name : names) {
        if (known.count(name) == 0) {
            report.add(Report::Problem::SealedResource,
                       "file added: " + text::escaped(sealPath(name)));
            continue;
        }
        struct stat st {};
        if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            modes.push_back({sealPath(name), st.st_mode});
    }
}

std::optional<std::string> readSealFile(int folderFd, const char *name, size_t maxSize,
                                        Report &report, Report::Problem problem)
{
    try {
        return readFileAt(folderFd, name, maxSize);
    } catch (const Failure &failure) {
        report.add(problem, text::escaped(std::string(layout::signatureFolder) + "/" + failure.what()));
        return std::nullopt;
    }
}

} // namespace

std::string Seal::signedText(const std::string &manifestText)
{
    return std::string(sealDomain) + manifestText;
}

std::optional<Seal> Seal::read(int bundleFd, Report &report)
{
    posix::FileDescriptor contents(openBeneath(bundleFd, layout::contents, O_RDONLY | O_DIRECTORY));
    if (!contents.valid()) {
        report.add(Report::Problem::BundleFormat);
        return std::nullopt;
    }
    posix::FileDescriptor folder(openBeneath(bundleFd, layout::signatureFolder, O_RDONLY | O_DIRECTORY));
    if (!folder.valid()) {
        if (errno == ENOENT)
            report.add(Report::Problem::NotSigned);
        else
            report.add(Report::Problem::InvalidSignature,
                       text::escaped(layout::signatureFolder) + ": " + std::strerror(errno));
        return std::nullopt;
    }
    Seal seal;
    struct stat st {};
    if (::fstat(folder.get(), &st) == 0)
        seal.sealFiles.push_back({layout::signatureFolder, st.st_mode});
    checkSealFolderContents(folder.get(), report, seal.sealFiles);

    const auto manifestText = readSealFile(folder.get(), layout::manifestFile,
                                           layout::maxManifestSize, report,
                                           Report::Problem::InvalidResources);
    if (!manifestText) {
        if (report.ok() || !report.has(Report::Problem::InvalidResources))
            report.add(Report::Problem::NotSigned);
        return std::nullopt;
    }
    const auto signatureBytes = readSealFile(folder.get(), layout::signatureFile, 64, report,
                                             Report::Problem::InvalidSignature);
    const auto certificateText = readSealFile(folder.get(), layout::certificateFile,
                                              layout::maxCertificateSize, report,
                                              Report::Problem::InvalidCertificate);
    if (!signatureBytes || signatureBytes->size() != seal.certificate.signature.size()) {
        report.add(Report::Problem::InvalidSignature,
                   "signature missing or malformed: " + sealPath(layout::signatureFile));
        return std::nullopt;
    }
    const auto certificate = certificateText ? Certificate::parse(*certificateText) : std::nullopt;
    if (!certificate) {
        report.add(Report::Problem::InvalidCertificate,
                   "certificate missing or malformed: " + sealPath(layout::certificateFile));
        return std::nullopt;
    }
    if (!certificate->isSelfConsistent()) {
        report.add(Report::Problem::InvalidCertificate,
                   "the certificate's signature does not verify with its issuer's key");
        return std::nullopt;
    }
    seal.certificate = *certificate;
    ed25519::Signature signature {};
    std::copy(signatureBytes->begin(), signatureBytes->end(), signature.begin());
    if (!ed25519::verify(signedText(*manifestText), signature, certificate->teamKey)) {
        report.add(Report::Problem::InvalidSignature);
        return std::nullopt;
    }
    std::string why;
    auto manifest = Manifest::parse(*manifestText, &why);
    if (!manifest) {
        report.add(Report::Problem::InvalidResources, why);
        return std::nullopt;
    }
    if (manifest->teamIdentifier != certificate->teamIdentifier) {
        report.add(Report::Problem::InvalidSignature,
                   "the seal names team " + manifest->teamIdentifier
                       + " but the certificate belongs to team " + certificate->teamIdentifier);
        return std::nullopt;
    }
    seal.manifest = std::move(*manifest);
    seal.manifestSize = manifestText->size();
    return seal;
}

} // namespace vtools
