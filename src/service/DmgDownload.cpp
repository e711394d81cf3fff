#include "service/DmgDownload.h"

#include "BuildConfig.h"
#include "service/DmgDownloadSink.h"
#include "service/DmgTemporaryFile.h"
#include "service/UpdateInstallerError.h"

#include <QCoreApplication>
#include <QFile>

#include <curl/curl.h>
#include <openssl/crypto.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {
using Failure = AppInstaller::Failure;

constexpr long connectTimeoutSeconds = 30;
constexpr long stallSeconds = 60;  // no byte for this long ends the download
constexpr long receiveBufferBytes = 512 * 1024;

std::atomic<bool> aborting{false};

QString tr(const char *text) { return QCoreApplication::translate("UpdateInstaller", text); }

CURL *newHandle()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return curl_easy_init();
}

// Frees the TLS library's state of this thread when the download ends: the worker threads
// outlive downloads, and OpenSSL otherwise keeps per-thread random generators until the thread
// exits, which at the end of the process may come after the leak check.
struct ThreadCryptoState {
    ThreadCryptoState() = default;
    ThreadCryptoState(const ThreadCryptoState &) = delete;
    ThreadCryptoState &operator=(const ThreadCryptoState &) = delete;
    ~ThreadCryptoState() { OPENSSL_thread_stop(); }
};

int keepGoing(void *, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return aborting.load(std::memory_order_relaxed) ? 1 : 0;
}

// The system's authorities plus the extra one, as one PEM bundle: libcurl takes a single
// bundle, and a blob replaces its default file rather than adding to it.
QByteArray authorityBundle(CURL *curl, const QString &extraCaFile)
{
    QByteArray bundle;
    char *systemFile = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CAINFO, &systemFile) == CURLE_OK && systemFile) {
        QFile system(QFile::decodeName(systemFile));
        if (system.open(QIODevice::ReadOnly))
            bundle = system.readAll();
    }
    QFile extra(extraCaFile);
    if (!extra.open(QIODevice::ReadOnly))
        throw Failure::other(tr("Cannot read the certificate authority %1: %2").arg(extraCaFile, extra.errorString()));
    bundle += '\n';
    bundle += extra.readAll();
    return bundle;
}

void configure(CURL *curl, const QUrl &url, DmgDownloadSink *sink, char *errorText)
{
    curl_easy_setopt(curl, CURLOPT_URL, url.toEncoded().constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, receiveBufferBytes);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, (QByteArray("VeltraneHub/") + BuildConfig::version).constData());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DmgDownloadSink::receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &keepGoing);
}

Failure transferError(CURLcode code, const char *errorText)
{
    if (code == CURLE_ABORTED_BY_CALLBACK)
        return Failure::other(tr("The download was stopped."));
    const QString text = QString::fromUtf8(errorText).trimmed();
    return Failure::other(text.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : text);
}

void checkLength(const DmgDownloadSink &sink)
{
    if (sink.expected() > 0 && sink.written() != sink.expected())
        throw Failure::other(tr("The download is incomplete: %1 of %2 bytes arrived.")
                               .arg(sink.written())
                               .arg(sink.expected()));
}
} // namespace

DmgDownload::DmgDownload(QString tempDir, QString extraCaFile)
    : m_tempDir(std::move(tempDir)), m_extraCaFile(std::move(extraCaFile))
{
}

QString DmgDownload::fetch(const QUrl &url, const UpdateInstaller::Progress &progress) const
{
    const ThreadCryptoState cryptoState;  // released after the handle below
    const std::unique_ptr<CURL, void (*)(CURL *)> curl(newHandle(), curl_easy_cleanup);
    if (!curl)
        throw Failure::other(tr("The download could not be started."));
    DmgTemporaryFile file(m_tempDir);
    DmgDownloadSink sink(curl.get(), &file, &progress);
    char errorText[CURL_ERROR_SIZE] = {};
    configure(curl.get(), url, &sink, errorText);

    QByteArray authorities;
    if (!m_extraCaFile.isEmpty()) {
        authorities = authorityBundle(curl.get(), m_extraCaFile);
        curl_blob blob{authorities.data(), size_t(authorities.size()), CURL_BLOB_NOCOPY};
        curl_easy_setopt(curl.get(), CURLOPT_CAINFO_BLOB, &blob);
    }

    const CURLcode result = aborting ? CURLE_ABORTED_BY_CALLBACK : curl_easy_perform(curl.get());
    if (sink.rejectedStatus() != 0)
        throw Failure::httpStatus(int(sink.rejectedStatus()));
    if (sink.writeError() != 0)
        throw InstallerErrors::fileError(file.path(), sink.writeError());
    if (result != CURLE_OK)
        throw transferError(result, errorText);
    if (!sink.checkResponse())  // an answer without a body
        throw Failure::httpStatus(int(sink.rejectedStatus()));
    if (!sink.flush())
        throw InstallerErrors::fileError(file.path(), sink.writeError());
    checkLength(sink);
    const QString path = file.keep();
    sink.report(1.0);
    return path;
}

void DmgDownload::abortAll() { aborting = true; }
