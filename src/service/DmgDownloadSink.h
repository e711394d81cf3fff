#pragma once

#include "service/UpdateInstaller.h"

#include <curl/curl.h>

#include <memory>

class DmgTemporaryFile;

// Takes a download's body from libcurl: fills a 1 MiB buffer, writes it to the file whenever it
// is full and reports progress after each write. Refuses the body of an unsuccessful response.
class DmgDownloadSink {
public:
    static constexpr qsizetype bufferSize = 1024 * 1024;

    DmgDownloadSink(CURL *curl, DmgTemporaryFile *file, const UpdateInstaller::Progress *progress);

    // For CURLOPT_WRITEFUNCTION, with the sink as CURLOPT_WRITEDATA.
    static size_t receive(char *data, size_t size, size_t count, void *sink);

    // Reads the status and length of the response, unless the body already did. False when
    // the status is outside 200-299 (see rejectedStatus()).
    bool checkResponse();
    // Writes what is left in the buffer; false with writeError() set on failure.
    bool flush();
    // Reports downloading(fraction); never lets an exception through to libcurl.
    void report(double fraction) const;

    long rejectedStatus() const { return m_rejectedStatus; }
    int writeError() const { return m_writeError; }
    qint64 written() const { return m_written; }
    qint64 expected() const { return m_expected; }  // -1 when unknown

private:
    size_t take(const char *data, size_t size);

    CURL *m_curl;
    DmgTemporaryFile *m_file;
    const UpdateInstaller::Progress *m_progress;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_filled = 0;
    qint64 m_written = 0;
    qint64 m_expected = -1;
    bool m_checked = false;
    long m_rejectedStatus = 0;
    int m_writeError = 0;
};
