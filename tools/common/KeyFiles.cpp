#include "KeyFiles.h"

#include "Bytes.h"
#include "Failure.h"
#include "Files.h"
#include "RecordFile.h"
#include "Sha256.h"
#include "Text.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>

#include <algorithm>

namespace vtools::keyfiles {

namespace {

constexpr std::string_view rootKeyFormat = "veltrane-root-key 1";
constexpr std::string_view rootPublicKeyFormat = "veltrane-root-public-key 1";
constexpr std::string_view signingKeyFormat = "veltrane-signing-key 1";

template <typename Array>
std::optional<Array> decode(const std::string &base64)
{
    const auto bytes = fromBase64(base64, std::tuple_size_v<Array>);
    if (!bytes)
        return std::nullopt;
    Array out {};
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return out;
}

std::string readSecretFile(const std::string &path)
{
    posix::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        throwSystemError(path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throwSystemError(path);
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        throw Failure(path + ": secret key file is accessible by others (it must be mode 0600)");
    return readOpenFile(fd.get(), path, 4096);
}

} // namespace

std::string format(const RootKey &key)
{
    return record::write(rootKeyFormat, {{"name", key.name}, {"seed", toBase64(key.seed)}});
}

std::string format(const RootPublicKey &key)
{
    return record::write(rootPublicKeyFormat,
                         {{"name", key.name}, {"public-key", toBase64(key.key)}});
}

std::string format(const SigningKey &key)
{
    return record::write(signingKeyFormat, {{"seed", toBase64(key.seed)}});
}

std::optional<RootKey> parseRootKey(std::string_view text)
{
    const auto values = record::read(text, rootKeyFormat, {"name", "seed"});
    if (!values || !text::isValidName((*values)[0]))
        return std::nullopt;
    const auto seed = decode<ed25519::Seed>((*values)[1]);
    if (!seed)
        return std::nullopt;
    return RootKey {(*values)[0], *seed};
}

std::optional<RootPublicKey> parseRootPublicKey(std::string_view text)
{
    const auto values = record::read(text, rootPublicKeyFormat, {"name", "public-key"});
    if (!values || !text::isValidName((*values)[0]))
        return std::nullopt;
    const auto key = decode<ed25519::PublicKey>((*values)[1]);
    if (!key)
        return std::nullopt;
    return RootPublicKey {(*values)[0], *key};
}

std::optional<SigningKey> parseSigningKey(std::string_view text)
{
    const auto values = record::read(text, signingKeyFormat, {"seed"});
    if (!values)
        return std::nullopt;
    const auto seed = decode<ed25519::Seed>((*values)[0]);
    if (!seed)
        return std::nullopt;
    return SigningKey {*seed};
}

RootKey loadRootKey(const std::string &path)
{
    std::string text = readSecretFile(path);
    const auto key = parseRootKey(text);
    sodium_memzero(text.data(), text.size());
    if (!key)
        throw Failure(path + ": not a root key file");
    return *key;
}

SigningKey loadSigningKey(const std::string &path)
{
    std::string text = readSecretFile(path);
    const auto key = parseSigningKey(text);
    sodium_memzero(text.data(), text.size());
    if (!key)
        throw Failure(path + ": not a signing key file");
    return *key;
}

void saveSecret(const std::string &path, const std::string &text)
{
    writeNewFile(path, text, 0600);
}

std::string fingerprint(const ed25519::PublicKey &key)
{
    const Digest digest = sha256(std::string_view(reinterpret_cast<const char *>(key.data()), key.size()));
    return toHex(digest.data(), 8);
}

} // namespace vtools::keyfiles
