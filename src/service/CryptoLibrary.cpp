#include "service/CryptoLibrary.h"

#include "service/AppInstaller.h"
#include "service/DynamicLibrary.h"
#include "service/UpdateInstallerLog.h"

#include <atomic>
#include <mutex>
#include <optional>

namespace {
using DynamicLibrary::resolve;

// The soname of the ABI the headers describe.
constexpr const char *soname = "libcrypto.so.3";

std::optional<CryptoLibrary> open()
{
    void *library = DynamicLibrary::open(soname);
    if (!library)
        return std::nullopt;
    CryptoLibrary crypto{};
    const bool complete = resolve(library, "EVP_MD_CTX_new", &crypto.MD_CTX_new)
        && resolve(library, "EVP_MD_CTX_free", &crypto.MD_CTX_free)
        && resolve(library, "EVP_sha256", &crypto.sha256)
        && resolve(library, "EVP_DigestInit_ex", &crypto.DigestInit_ex)
        && resolve(library, "EVP_DigestUpdate", &crypto.DigestUpdate)
        && resolve(library, "EVP_DigestFinal_ex", &crypto.DigestFinal_ex)
        && resolve(library, "OPENSSL_thread_stop", &crypto.thread_stop);
    if (!complete) {
        qCWarning(lcUpdate, "%s lacks a function the checksums need: %s", soname, ::dlerror());
        return std::nullopt;
    }
    return crypto;
}

std::once_flag once;
std::optional<CryptoLibrary> library;
std::atomic<bool> opened{false};
} // namespace

const CryptoLibrary &CryptoLibrary::get()
{
    std::call_once(once, [] {
        library = open();
        opened.store(library.has_value(), std::memory_order_release);
    });
    if (!library)
        throw AppInstaller::Failure::other(AppInstaller::tr("The download could not be started."));
    return *library;
}

const CryptoLibrary *CryptoLibrary::ifOpen()
{
    return opened.load(std::memory_order_acquire) ? &*library : nullptr;
}
