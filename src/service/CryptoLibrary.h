#pragma once

#include <openssl/crypto.h>
#include <openssl/evp.h>

// OpenSSL's libcrypto, opened when the first image is hashed rather than with the program: a
// session that installs nothing never pays for loading it. The members are the library's
// functions the hashing needs, under their names.
struct CryptoLibrary {
    // The library, opened once; throws AppInstaller::Failure when it cannot be.
    static const CryptoLibrary &get();
    // The library if it is open already, else null; never throws.
    static const CryptoLibrary *ifOpen();

    decltype(&EVP_MD_CTX_new) MD_CTX_new;
    decltype(&EVP_MD_CTX_free) MD_CTX_free;
    decltype(&EVP_sha256) sha256;
    decltype(&EVP_DigestInit_ex) DigestInit_ex;
    decltype(&EVP_DigestUpdate) DigestUpdate;
    decltype(&EVP_DigestFinal_ex) DigestFinal_ex;
    decltype(&OPENSSL_thread_stop) thread_stop;
};
