#include "Sha256.h"

#include "Failure.h"

#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace vtools {

namespace {

struct ContextDeleter {
    void operator()(EVP_MD_CTX *ctx) const { EVP_MD_CTX_free(ctx); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

Context newContext()
{
    Context ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        throw Failure("SHA-256 is unavailable");
    return ctx;
}

Digest finish(EVP_MD_CTX *ctx)
{
    Digest digest {};
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx, digest.data(), &size) != 1 || size != digest.size())
        throw Failure("SHA-256 failed");
    return digest;
}

} // namespace

Digest sha256(std::string_view data)
{
    Context ctx = newContext();
    if (EVP_DigestUpdate(ctx.get(), data.data(), data.size()) != 1)
        throw Failure("SHA-256 failed");
    return finish(ctx.get());
}

Digest sha256OfFile(int fd, std::vector<unsigned char> &buffer)
{
    Context ctx = newContext();
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwSystemError("read");
        }
        if (n == 0)
            break;
        if (EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(n)) != 1)
            throw Failure("SHA-256 failed");
    }
    return finish(ctx.get());
}

} // namespace vtools
