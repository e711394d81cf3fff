#include "service/Sha256.h"

#include "service/CryptoLibrary.h"

#include <cerrno>
#include <new>
#include <unistd.h>

Sha256::Sha256() : m_crypto(CryptoLibrary::get()), m_context(m_crypto.MD_CTX_new(), m_crypto.MD_CTX_free)
{
    if (!m_context)
        throw std::bad_alloc();
    reset();
}

Sha256::~Sha256() = default;

void Sha256::reset() { m_crypto.DigestInit_ex(m_context.get(), m_crypto.sha256(), nullptr); }

void Sha256::add(const char *data, std::size_t size) { m_crypto.DigestUpdate(m_context.get(), data, size); }

bool Sha256::addFile(int fd, qint64 length)
{
    constexpr qint64 chunk = 1024 * 1024;
    const std::unique_ptr<char[]> buffer(new char[chunk]);
    for (qint64 offset = 0; offset < length;) {
        const ssize_t n = ::pread(fd, buffer.get(), size_t(std::min(chunk, length - offset)), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;  // shorter than it was a moment ago
            return false;
        }
        add(buffer.get(), size_t(n));
        offset += n;
    }
    return true;
}

QByteArray Sha256::result()
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int size = 0;
    m_crypto.DigestFinal_ex(m_context.get(), reinterpret_cast<unsigned char *>(digest.data()), &size);
    digest.resize(size);
    return digest;
}
