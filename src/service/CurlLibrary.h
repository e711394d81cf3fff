#pragma once

#include <curl/curl.h>

// libcurl, opened when the first download starts rather than with the program: it and the
// libraries it brings (TLS, LDAP, SSH, IDN, ...) cost start-up time and memory that a session
// without downloads never needs. The members are libcurl's own functions under their names
// without the "curl_" prefix.
struct CurlLibrary {
    // The library, opened and initialised once; throws AppInstaller::Failure when it cannot be.
    static const CurlLibrary &get();

    CURL *(*easy_init)();
    void (*easy_cleanup)(CURL *);
    CURLcode (*easy_setopt)(CURL *, CURLoption, ...);
    CURLcode (*easy_getinfo)(CURL *, CURLINFO, ...);
    const char *(*easy_strerror)(CURLcode);
    CURLM *(*multi_init)();
    CURLMcode (*multi_cleanup)(CURLM *);
    CURLMcode (*multi_add_handle)(CURLM *, CURL *);
    CURLMcode (*multi_remove_handle)(CURLM *, CURL *);
    CURLMcode (*multi_perform)(CURLM *, int *);
    CURLMcode (*multi_poll)(CURLM *, curl_waitfd[], unsigned int, int, int *);
    CURLMcode (*multi_wakeup)(CURLM *);
    CURLMsg *(*multi_info_read)(CURLM *, int *);
    curl_slist *(*slist_append)(curl_slist *, const char *);
    void (*slist_free_all)(curl_slist *);
};
