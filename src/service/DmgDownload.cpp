#include "service/DmgDownload.h"

#include "BuildConfig.h"
#include "service/UpdateInstallerError.h"

#include <QCoreApplication>
#include <QFile>
#include <QUuid>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace {
using Error = UpdateInstaller::Error;
using Failure = UpdateInstaller::Failure;
using Step = UpdateInstaller::Step;

constexpr long connectTimeoutSeconds = 30;
constexpr long stallSeconds = 60;  // no byte for this long ends the download
constexpr long receiveBufferBytes = 512 * 1024;

std::atomic<bool> aborting{false};

QString tr(const char *text) { return QCoreApplication::translate("UpdateInstaller", text); }

bool isSuccess(long status) { return status >= 200 && status <= 299; }

CURL *newHandle()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return curl_easy_init();
}

// The download's file in the temporary folder; removed unless kept.
class TemporaryFile {
public:
    explicit TemporaryFile(const QString &folder)
        : m_path(folder + QStringLiteral("/veltrane-")
                 + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".dmg"))
    {
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd < 0)
            throw InstallerErrors::fileError(m_path, errno);
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_kept)
            ::unlink(QFile::encodeName(m_path).constData());
    }

    const QString &path() const { return m_path; }

    // Writes all of it; false with errno set otherwise.
    bool write(const char *data, size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            size -= size_t(n);
        }
        return true;
    }

    // Closes the file and keeps it. A failed close (a write that never reached the disk)
    // throws and leaves nothing behind.
    QString keep()
    {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            throw InstallerErrors::fileError(m_path, errno);
        m_kept = true;
        return m_path;
    }

private:
    QString m_path;
    int m_fd = -1;
    bool m_kept = false;
};

// Takes the body from libcurl: fills the 1 MiB buffer, writes it out whenever it is full and
// reports progress after each write. Refuses the body of an unsuccessful response.
class Sink {
public:
    Sink(CURL *curl, TemporaryFile *file, const UpdateInstaller::Progress *progress)
        : m_curl(curl), m_file(file), m_progress(progress), m_buffer(new char[DmgDownload::bufferSize])
    {
    }

    static size_t receive(char *data, size_t size, size_t count, void *sink)
    {
        return static_cast<Sink *>(sink)->take(data, size * count);
    }

    long rejectedStatus() const { return m_rejectedStatus; }
    int writeError() const { return m_writeError; }
    qint64 written() const { return m_written; }
    qint64 expected() const { return m_expected; }

    // Reads the status and length of the response, unless the body already did.
    bool checkResponse()
    {
        if (m_checked)
            return m_rejectedStatus == 0;
        m_checked = true;
        long status = 0;
        curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &status);
        if (!isSuccess(status)) {
            m_rejectedStatus = status;
            return false;
        }
        curl_off_t length = -1;
        curl_easy_getinfo(m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        m_expected = length;
        return true;
    }

    // Writes what is left in the buffer; false with writeError() set on failure.
    bool flush()
    {
        if (m_filled > 0 && !m_file->write(m_buffer.get(), size_t(m_filled))) {
            m_writeError = errno;
            return false;
        }
        m_written += m_filled;
        m_filled = 0;
        return true;
    }

    void report(double fraction) const
    {
        if (!*m_progress)
            return;
        try {
            (*m_progress)(Step::downloading(fraction));
        } catch (...) {
            // an exception must not cross libcurl; progress is only informative
        }
    }

private:
    size_t take(const char *data, size_t size)
    {
        if (!checkResponse())
            return 0;  // makes libcurl stop
        for (size_t offset = 0; offset < size;) {
            const size_t room = size_t(DmgDownload::bufferSize - m_filled);
            const size_t piece = std::min(room, size - offset);
            memcpy(m_buffer.get() + m_filled, data + offset, piece);
            m_filled += qsizetype(piece);
            offset += piece;
            if (m_filled == DmgDownload::bufferSize) {
                if (!flush())
                    return 0;
                report(m_expected > 0 ? double(m_written) / double(m_expected) : 0.0);
            }
        }
        return size;
    }

    CURL *m_curl;
    TemporaryFile *m_file;
    const UpdateInstaller::Progress *m_progress;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_filled = 0;
    qint64 m_written = 0;
    qint64 m_expected = -1;
    bool m_checked = false;
    long m_rejectedStatus = 0;
    int m_writeError = 0;
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
        throw Error::other(tr("Cannot read the certificate authority %1: %2").arg(extraCaFile, extra.errorString()));
    bundle += '\n';
    bundle += extra.readAll();
    return bundle;
}

void configure(CURL *curl, const QUrl &url, Sink *sink, char *errorText)
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
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Sink::receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &keepGoing);
}

Error transferError(CURLcode code, const char *errorText)
{
    if (code == CURLE_ABORTED_BY_CALLBACK)
        return Error::other(tr("The download was stopped."));
    const QString text = QString::fromUtf8(errorText).trimmed();
    return Error::other(text.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : text);
}

void checkLength(const Sink &sink)
{
    if (sink.expected() > 0 && sink.written() != sink.expected())
        throw Error::other(tr("The download is incomplete: %1 of %2 bytes arrived.")
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
    const std::unique_ptr<CURL, void (*)(CURL *)> curl(newHandle(), curl_easy_cleanup);
    if (!curl)
        throw Error::other(tr("The download could not be started."));
    TemporaryFile file(m_tempDir);
    Sink sink(curl.get(), &file, &progress);
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
        throw InstallerErrors::httpStatus(int(sink.rejectedStatus()));
    if (sink.writeError() != 0)
        throw InstallerErrors::fileError(file.path(), sink.writeError());
    if (result != CURLE_OK)
        throw transferError(result, errorText);
    if (!sink.checkResponse())  // an answer without a body
        throw InstallerErrors::httpStatus(int(sink.rejectedStatus()));
    if (!sink.flush())
        throw InstallerErrors::fileError(file.path(), sink.writeError());
    checkLength(sink);
    const QString path = file.keep();
    sink.report(1.0);
    return path;
}

void DmgDownload::abortAll() { aborting = true; }
