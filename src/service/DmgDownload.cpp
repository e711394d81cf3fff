#include "service/DmgDownload.h"

#include "BuildConfig.h"
#include "service/CurlLibrary.h"
#include "service/DmgFailures.h"
#include "service/DmgPartial.h"
#include "service/CryptoLibrary.h"
#include "service/Sha256.h"
#include "service/UpdateInstallerError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>


#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {
using Failure = AppInstaller::Failure;

constexpr long connectTimeoutSeconds = 30;
constexpr long receiveBufferBytes = 512 * 1024;
constexpr int pollMilliseconds = 1000;  // cancelling wakes the wait at once

std::atomic<bool> aborting{false};


// Frees the TLS library's state of this thread when the download ends: the worker threads
// outlive downloads, and OpenSSL otherwise keeps per-thread random generators until the thread
// exits, which at the end of the process may come after the leak check.
struct ThreadCryptoState {
    ThreadCryptoState() = default;
    ThreadCryptoState(const ThreadCryptoState &) = delete;
    ThreadCryptoState &operator=(const ThreadCryptoState &) = delete;
    ~ThreadCryptoState()
    {
        if (const CryptoLibrary *crypto = CryptoLibrary::ifOpen())
            crypto->thread_stop();
    }
};

// A download's thread yields to the window's: below it, a busy transfer cannot delay a frame.
// The threads run only downloads, and an unprivileged thread cannot raise its priority back,
// so it stays lowered.
void lowerThreadPriority()
{
    constexpr int below = 5;
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, id_t(::gettid()));
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, id_t(::gettid()), current + below);
}

int keepGoing(void *cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const DmgCancel *>(cancel)->isCancelled() || aborting ? 1 : 0;
}

// The system's authorities plus the extra one, as one PEM bundle: libcurl takes a single
// bundle, and a blob replaces its default file rather than adding to it.
QByteArray authorityBundle(CURL *curl, const QString &extraCaFile)
{
    QByteArray bundle;
    char *systemFile = nullptr;
    if (CurlLibrary::get().easy_getinfo(curl, CURLINFO_CAINFO, &systemFile) == CURLE_OK && systemFile) {
        QFile system(QFile::decodeName(systemFile));
        if (system.open(QIODevice::ReadOnly))
            bundle = system.readAll();
    }
    QFile extra(extraCaFile);
    if (!extra.open(QIODevice::ReadOnly))
        throw Failure::other(AppInstaller::tr("Cannot read the certificate authority %1: %2").arg(extraCaFile, extra.errorString()));
    bundle += '\n';
    bundle += extra.readAll();
    return bundle;
}

struct CurlHandles {
    const CurlLibrary &library = CurlLibrary::get();
    std::unique_ptr<CURL, void (*)(CURL *)> easy{library.easy_init(), library.easy_cleanup};
    std::unique_ptr<CURLM, CURLMcode (*)(CURLM *)> multi{library.multi_init(), library.multi_cleanup};
};

void configure(CURL *curl, const QByteArray &url, DmgDownloadSink *sink, DmgCancel *cancel, long stallSeconds,
               char *errorText)
{
    const auto set = CurlLibrary::get().easy_setopt;
    set(curl, CURLOPT_URL, url.constData());
    // Only https, for the first request and every redirect alike; a libcurl too old to be told
    // so (it is opened at run time, whatever its version) downloads nothing.
    const char *const allowed = "https";
    if (set(curl, CURLOPT_PROTOCOLS_STR, allowed) != CURLE_OK
        || set(curl, CURLOPT_REDIR_PROTOCOLS_STR, allowed) != CURLE_OK)
        throw Failure::other(AppInstaller::tr("The download could not be started."));
    set(curl, CURLOPT_FOLLOWLOCATION, 1L);
    set(curl, CURLOPT_MAXREDIRS, 10L);
    set(curl, CURLOPT_NOSIGNAL, 1L);
    set(curl, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
    set(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(curl, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    set(curl, CURLOPT_BUFFERSIZE, receiveBufferBytes);
    set(curl, CURLOPT_USERAGENT, (QByteArray("VeltraneHub/") + BuildConfig::version).constData());
    set(curl, CURLOPT_ERRORBUFFER, errorText);
    set(curl, CURLOPT_WRITEFUNCTION, &DmgDownloadSink::receive);
    set(curl, CURLOPT_WRITEDATA, sink);
    set(curl, CURLOPT_HEADERFUNCTION, &DmgDownloadSink::header);
    set(curl, CURLOPT_HEADERDATA, sink);
    set(curl, CURLOPT_NOPROGRESS, 0L);
    set(curl, CURLOPT_XFERINFOFUNCTION, &keepGoing);
    set(curl, CURLOPT_XFERINFODATA, cancel);
}

// Runs the transfer until it ends or is cancelled; the wait for the network wakes on cancel.
CURLcode perform(CURLM *multi, CURL *easy, DmgCancel &cancel)
{
    const CurlLibrary &curl = CurlLibrary::get();
    curl.multi_add_handle(multi, easy);
    cancel.attach(multi);
    CURLcode result = CURLE_OK;
    for (int running = 1; running;) {
        if (cancel.isCancelled() || aborting) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl.multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running)
            curl.multi_poll(multi, nullptr, 0, pollMilliseconds, nullptr);
        int queued = 0;
        while (CURLMsg *message = curl.multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE)
                result = message->data.result;
        }
    }
    cancel.detach();
    curl.multi_remove_handle(multi, easy);
    return result;
}
} // namespace

void DmgCancel::cancel()
{
    m_cancelled = true;
    const std::lock_guard lock(m_mutex);
    if (m_multi)
        CurlLibrary::get().multi_wakeup(static_cast<CURLM *>(m_multi));
}

void DmgCancel::attach(void *multi)
{
    const std::lock_guard lock(m_mutex);
    m_multi = multi;
}

void DmgCancel::detach()
{
    const std::lock_guard lock(m_mutex);
    m_multi = nullptr;
}

DmgDownload::DmgDownload(Settings settings) : m_settings(std::move(settings)) {}

qint64 DmgDownload::fetch(const Request &request, DmgPartial &partial, DmgCancel &cancel,
                          const UpdateInstaller::Progress &progress) const
{
    const ThreadCryptoState cryptoState;  // released after the handles below
    lowerThreadPriority();
    const QByteArray url = request.url.toEncoded();
    const DmgDownloadSink::Target target{&partial, nullptr, request.pin, request.appName,
                                         QFileInfo(partial.path()).path()};
    // A pinned image that cannot fit is refused before the server is asked.
    if (request.pin.size) {
        qint64 total = 0;
        const qint64 free = DmgDownloadSink::freeSpace(target.folder, &total);
        const qint64 margin = m_settings.limits.freeMargin.value_or(DmgDownloadSink::marginFor(total));
        const qint64 needed = *request.pin.size - partial.kept();
        if (*request.pin.size > m_settings.limits.cap)
            throw DmgFailures::tooLarge(request.appName, m_settings.limits.cap);
        if (needed > free - margin)
            throw DmgFailures::notEnoughSpace(request.appName, needed + margin, free);
    }
    Sha256 hash;
    // Once with the kept bytes; again from nothing when the server cannot continue them.
    for (int attempt = 0;; ++attempt) {
        const qint64 resumeFrom = partial.kept();
        hash.reset();
        // Only a pinned checksum needs the kept bytes hashed, and reading them back costs.
        if (resumeFrom > 0 && !request.pin.sha256.isEmpty() && !partial.hashKept(hash))
            throw InstallerErrors::fileError(partial.path(), errno);
        CurlHandles curl;
        if (!curl.easy || !curl.multi)
            throw Failure::other(AppInstaller::tr("The download could not be started."));
        DmgDownloadSink::Target withHash = target;
        withHash.hash = &hash;
        DmgDownloadSink sink(curl.easy.get(), withHash, m_settings.limits, resumeFrom, &progress);
        char errorText[CURL_ERROR_SIZE] = {};
        configure(curl.easy.get(), url, &sink, &cancel, long(m_settings.stallTimeout.count()), errorText);
        std::unique_ptr<curl_slist, void (*)(curl_slist *)> headers(nullptr, curl.library.slist_free_all);
        if (resumeFrom > 0) {
            curl.library.easy_setopt(curl.easy.get(), CURLOPT_RANGE, (QByteArray::number(resumeFrom) + '-').constData());
            headers.reset(curl.library.slist_append(nullptr, ("If-Range: " + partial.validator()).constData()));
            curl.library.easy_setopt(curl.easy.get(), CURLOPT_HTTPHEADER, headers.get());
        }
        QByteArray authorities;
        if (!m_settings.extraCaFile.isEmpty()) {
            authorities = authorityBundle(curl.easy.get(), m_settings.extraCaFile);
            curl_blob blob{authorities.data(), size_t(authorities.size()), CURL_BLOB_NOCOPY};
            curl.library.easy_setopt(curl.easy.get(), CURLOPT_CAINFO_BLOB, &blob);
        }

        const CURLcode result = perform(curl.multi.get(), curl.easy.get(), cancel);
        const bool stopped = result == CURLE_ABORTED_BY_CALLBACK || cancel.isCancelled() || aborting;
        const bool finished = result == CURLE_OK && !stopped && sink.finish();
        if (sink.mustRestart() && attempt == 0 && !stopped) {
            partial.restart();
            continue;
        }
        if (sink.failure())
            throw *sink.failure();
        // What arrived of an interrupted transfer stays for the next attempt to continue.
        if (stopped || DmgFailures::isInterruption(result)) {
            sink.keepArrived();
            partial.keepForResume();
        }
        if (stopped)
            throw DmgFailures::cancelled();
        if (result != CURLE_OK)
            throw DmgFailures::transport(result, errorText, url);
        if (!finished)
            throw DmgFailures::wrongSize(request.appName);
        return sink.length();
    }
}

void DmgDownload::abortAll() { aborting = true; }

bool DmgDownload::isAborting() { return aborting; }
