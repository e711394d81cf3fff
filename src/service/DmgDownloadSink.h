#pragma once

#include "service/ImagePin.h"
#include "service/UpdateInstaller.h"

#include <curl/curl.h>

#include <memory>
#include <optional>

class DmgPartial;
class Sha256;

// Takes one response from libcurl: checks its status and length against what the download
// needs (the catalogue's pin, free space, the size cap), records how to resume it, buffers its
// body 128 KiB at a time for a thread of its own to write into the partial download (and hash,
// when the image is pinned by its SHA-256), and reports progress after each MiB.
// Anything it refuses stops the transfer; failure() or mustRestart() then say why.
class DmgDownloadSink {
public:
    // Small enough to stay in the CPU's cache between filling and writing: the kernel's copy of
    // a larger buffer into the page cache took several times as long.
    static constexpr qsizetype bufferSize = 128 * 1024;
    static constexpr qint64 reportStep = 1024 * 1024;

    struct Limits {
        qint64 cap = 0;                    // largest image taken
        std::optional<qint64> freeMargin;  // free space kept; default: 64 MiB or 5% if less
    };

    struct Target {
        DmgPartial *partial;
        Sha256 *hash;  // holds the kept bytes' hash when resuming
        ImagePin pin;
        QString appName;
        QString folder;  // where the free space is measured
    };

    DmgDownloadSink(CURL *curl, Target target, Limits limits, qint64 resumeFrom,
                    const UpdateInstaller::Progress *progress);
    ~DmgDownloadSink();
    DmgDownloadSink(const DmgDownloadSink &) = delete;
    DmgDownloadSink &operator=(const DmgDownloadSink &) = delete;

    // For CURLOPT_WRITEFUNCTION and CURLOPT_HEADERFUNCTION, with the sink as their data.
    static size_t receive(char *data, size_t size, size_t count, void *sink);
    static size_t header(char *data, size_t size, size_t count, void *sink);

    // Judges the response once its body starts (or ends empty); false when it is refused.
    bool checkResponse();
    // Writes what is left in the buffer and checks the whole image; false when refused.
    bool finish();
    // Writes what arrived before an interruption, for the next attempt to continue.
    void keepArrived();
    // The image's length once finished.
    qint64 length() const { return m_resumeFrom + m_written; }

    const std::optional<AppInstaller::Failure> &failure() const { return m_failure; }
    // The server cannot continue the kept bytes (a changed file, a bad range): start again.
    bool mustRestart() const { return m_restart; }

    // The free space of the file system holding folder, and the margin kept on it.
    static qint64 freeSpace(const QString &folder, qint64 *total = nullptr);
    static qint64 marginFor(qint64 total);

private:
    class Writer;

    size_t take(const char *data, size_t size);
    bool flush();
    bool writeFailed(int error);
    bool refuse(AppInstaller::Failure failure);
    // downloading(written / expected), after each MiB written.
    void report() const;
    qint64 margin() const;

    CURL *m_curl;
    Target m_target;
    Limits m_limits;
    const UpdateInstaller::Progress *m_progress;
    std::unique_ptr<Writer> m_writer;
    char *m_buffer;  // the one being filled, the writer's
    QByteArray m_etag, m_lastModified, m_contentRange;
    qint64 m_resumeFrom;
    qsizetype m_filled = 0;
    qint64 m_written = 0;
    qint64 m_expected = -1;  // the whole image's length, -1 when unknown
    bool m_checked = false;
    bool m_restart = false;
    std::optional<AppInstaller::Failure> m_failure;
};
