#include "service/CurlLibrary.h"

#include "service/AppInstaller.h"
#include "service/DynamicLibrary.h"
#include "service/UpdateInstallerLog.h"

#include <mutex>
#include <optional>

namespace {
using DynamicLibrary::resolve;

// The soname of libcurl's current ABI, the one the headers describe.
constexpr const char *soname = "libcurl.so.4";

std::optional<CurlLibrary> open()
{
    void *library = DynamicLibrary::open(soname);
    if (!library)
        return std::nullopt;
    CurlLibrary curl{};
    using CurlGlobalInit = CURLcode (*)(long);
    CurlGlobalInit globalInit = nullptr;
    const bool complete = resolve(library, "curl_global_init", &globalInit)
        && resolve(library, "curl_easy_init", &curl.easy_init)
        && resolve(library, "curl_easy_cleanup", &curl.easy_cleanup)
        && resolve(library, "curl_easy_setopt", &curl.easy_setopt)
        && resolve(library, "curl_easy_getinfo", &curl.easy_getinfo)
        && resolve(library, "curl_easy_strerror", &curl.easy_strerror)
        && resolve(library, "curl_multi_init", &curl.multi_init)
        && resolve(library, "curl_multi_cleanup", &curl.multi_cleanup)
        && resolve(library, "curl_multi_add_handle", &curl.multi_add_handle)
        && resolve(library, "curl_multi_remove_handle", &curl.multi_remove_handle)
        && resolve(library, "curl_multi_perform", &curl.multi_perform)
        && resolve(library, "curl_multi_poll", &curl.multi_poll)
        && resolve(library, "curl_multi_wakeup", &curl.multi_wakeup)
        && resolve(library, "curl_multi_info_read", &curl.multi_info_read)
        && resolve(library, "curl_slist_append", &curl.slist_append)
        && resolve(library, "curl_slist_free_all", &curl.slist_free_all);
    if (!complete) {
        qCWarning(lcUpdate, "%s lacks a function the downloads need: %s", soname, ::dlerror());
        return std::nullopt;
    }
    if (globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        qCWarning(lcUpdate, "%s could not be initialised", soname);
        return std::nullopt;
    }
    return curl;
}
} // namespace

const CurlLibrary &CurlLibrary::get()
{
    static std::once_flag once;
    static std::optional<CurlLibrary> library;
    std::call_once(once, [] { library = open(); });
    if (!library)
        throw AppInstaller::Failure::other(AppInstaller::tr("The download could not be started."));
    return *library;
}
