#pragma once

#include <QByteArray>

#include <cstddef>
#include <memory>

struct evp_md_ctx_st;
struct CryptoLibrary;

// SHA-256 with OpenSSL's EVP (the CPU's SHA instructions where there are some), fed as bytes
// arrive, so a download is hashed while it streams and never read again for it.
class Sha256 {
public:
    // Throws AppInstaller::Failure when OpenSSL cannot be opened.
    Sha256();
    ~Sha256();
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void reset();
    void add(const char *data, std::size_t size);
    // Adds the first `length` bytes of an open file; false with errno set on a read error.
    bool addFile(int fd, qint64 length);
    QByteArray result();  // 32 bytes; reset() before adding again

private:
    const CryptoLibrary &m_crypto;
    std::unique_ptr<evp_md_ctx_st, void (*)(evp_md_ctx_st *)> m_context;
};
