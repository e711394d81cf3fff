#include "service/DmgDownloadSink.h"

#include "service/CurlLibrary.h"
#include "service/DmgFailures.h"
#include "service/DmgPartial.h"
#include "service/Sha256.h"
#include "service/UpdateInstallerError.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/statvfs.h>
#include <pthread.h>
#include <thread>

namespace {
constexpr qint64 MiB = 1024 * 1024;
static_assert(DmgDownloadSink::reportStep % DmgDownloadSink::bufferSize == 0, "a report falls on a full buffer");

// "bytes <first>-<last>/<length>": first, and length (-1 for "*").
bool parseContentRange(const QByteArray &value, qint64 *first, qint64 *length)
{
    const QByteArray text = value.trimmed();
    if (!text.startsWith("bytes "))
        return false;
    const qsizetype dash = text.indexOf('-'), slash = text.indexOf('/');
    if (dash < 0 || slash < dash)
        return false;
    bool ok = false;
    *first = text.mid(6, dash - 6).trimmed().toLongLong(&ok);
    const QByteArray whole = text.mid(slash + 1).trimmed();
    *length = whole == "*" ? -1 : whole.toLongLong();
    return ok;
}
} // namespace

// Writes the filled buffers into the partial download in order, and hashes them when asked,
// on a thread of its own while the transfer's thread receives the next ones: on one thread,
// hashing and writing held downloads well below curl's pace. The buffers form a ring, so
// memory stays bounded, and none is refilled before it is written.
class DmgDownloadSink::Writer {
public:
    Writer(DmgPartial *partial, Sha256 *hash)
        : m_partial(partial), m_hash(hash), m_ring(new char[slots * bufferSize]), m_thread([this] { run(); })
    {
    }
    ~Writer()
    {
        hand(-1);
        m_thread.join();
    }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    char *filling() const { return slot(m_passed.load(std::memory_order_relaxed)); }
    // Hands over the first `size` bytes of the buffer being filled; returns the next one.
    char *pass(qsizetype size)
    {
        hand(size);
        return filling();
    }
    // Returns once everything handed over is written.
    void drain()
    {
        const qint64 passed = m_passed.load(std::memory_order_relaxed);
        for (qint64 done = m_done.load(std::memory_order_acquire); done != passed;
             done = m_done.load(std::memory_order_acquire))
            m_done.wait(done, std::memory_order_acquire);
    }
    // The errno of the first write that failed; nothing after it is written.
    int error() const { return m_error.load(std::memory_order_acquire); }
    // At most this many bytes are handed over and not yet written.
    qint64 pending() const
    {
        return (m_passed.load(std::memory_order_relaxed) - m_done.load(std::memory_order_acquire)) * bufferSize;
    }

private:
    static constexpr qint64 slots = 32;

    char *slot(qint64 index) const { return m_ring.get() + (index % slots) * bufferSize; }

    // A negative size ends the thread.
    void hand(qsizetype size)
    {
        const qint64 index = m_passed.load(std::memory_order_relaxed);
        m_sizes[std::size_t(index % slots)] = size;
        m_passed.store(index + 1, std::memory_order_release);
        m_passed.notify_one();
        // The next buffer is free once the one a ring behind it is written.
        for (qint64 done = m_done.load(std::memory_order_acquire); index + 1 - done >= slots;
             done = m_done.load(std::memory_order_acquire))
            m_done.wait(done, std::memory_order_acquire);
    }

    void run()
    {
        ::pthread_setname_np(::pthread_self(), "image writer");
        for (qint64 index = 0;; ++index) {
            for (qint64 passed = m_passed.load(std::memory_order_acquire); passed == index;
                 passed = m_passed.load(std::memory_order_acquire))
                m_passed.wait(passed, std::memory_order_acquire);
            const qsizetype size = m_sizes[std::size_t(index % slots)];
            if (size < 0)
                return;
            if (!m_error.load(std::memory_order_relaxed)) {
                if (!m_partial->write(slot(index), std::size_t(size)))
                    m_error.store(errno ? errno : EIO, std::memory_order_release);
                else if (m_hash)
                    m_hash->add(slot(index), std::size_t(size));
            }
            m_done.store(index + 1, std::memory_order_release);
            m_done.notify_one();
        }
    }

    DmgPartial *m_partial;
    Sha256 *m_hash;  // null when nothing is hashed
    std::unique_ptr<char[]> m_ring;
    std::array<qsizetype, slots> m_sizes{};
    std::atomic<qint64> m_passed{0}, m_done{0};
    std::atomic<int> m_error{0};
    std::thread m_thread;  // last: it starts once the rest is ready
};

DmgDownloadSink::DmgDownloadSink(CURL *curl, Target target, Limits limits, qint64 resumeFrom,
                                 const UpdateInstaller::Progress *progress)
    : m_curl(curl), m_target(std::move(target)), m_limits(limits), m_progress(progress),
      m_writer(std::make_unique<Writer>(m_target.partial, m_target.pin.sha256.isEmpty() ? nullptr : m_target.hash)),
      m_buffer(m_writer->filling()), m_resumeFrom(resumeFrom)
{
}

DmgDownloadSink::~DmgDownloadSink() = default;

size_t DmgDownloadSink::receive(char *data, size_t size, size_t count, void *sink)
{
    return static_cast<DmgDownloadSink *>(sink)->take(data, size * count);
}

size_t DmgDownloadSink::header(char *data, size_t size, size_t count, void *sink)
{
    auto *self = static_cast<DmgDownloadSink *>(sink);
    const QByteArray line(data, qsizetype(size * count));
    if (line.startsWith("HTTP/")) {  // a new response (after a redirect): forget the last one's
        self->m_etag.clear();
        self->m_lastModified.clear();
        self->m_contentRange.clear();
    }
    const qsizetype colon = line.indexOf(':');
    if (colon > 0) {
        const QByteArray name = line.left(colon).trimmed().toLower(), value = line.mid(colon + 1).trimmed();
        if (name == "etag")
            self->m_etag = value;
        else if (name == "last-modified")
            self->m_lastModified = value;
        else if (name == "content-range")
            self->m_contentRange = value;
    }
    return size * count;
}

bool DmgDownloadSink::refuse(AppInstaller::Failure failure)
{
    if (!m_failure)
        m_failure = std::move(failure);
    return false;
}

qint64 DmgDownloadSink::freeSpace(const QString &folder, qint64 *total)
{
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return std::numeric_limits<qint64>::max();  // unknown: the writes tell
    if (total)
        *total = qint64(fs.f_blocks) * qint64(fs.f_frsize);
    return qint64(fs.f_bavail) * qint64(fs.f_frsize);
}

qint64 DmgDownloadSink::marginFor(qint64 total) { return std::min(64 * MiB, total / 20); }

qint64 DmgDownloadSink::margin() const
{
    if (m_limits.freeMargin)
        return *m_limits.freeMargin;
    qint64 total = 0;
    freeSpace(m_target.folder, &total);
    return marginFor(total);
}

bool DmgDownloadSink::checkResponse()
{
    if (m_checked)
        return !m_failure && !m_restart;
    m_checked = true;
    long status = 0;
    CurlLibrary::get().easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &status);
    qint64 length = -1;
    if (m_resumeFrom > 0 && status == 206) {
        qint64 first = -1;
        const QByteArray validator = !m_etag.isEmpty() ? m_etag : m_lastModified;
        if (!parseContentRange(m_contentRange, &first, &length) || first != m_resumeFrom
            || (!validator.isEmpty() && validator != m_target.partial->validator())) {
            m_restart = true;  // not the bytes that follow the kept ones
            return false;
        }
    } else if (m_resumeFrom > 0 && status == 416) {
        m_restart = true;
        return false;
    } else if (status < 200 || status > 299 || status == 206) {
        return refuse(AppInstaller::Failure::httpStatus(int(status)));
    } else {
        if (m_resumeFrom > 0) {  // the whole image again: the kept bytes go
            try {
                m_target.partial->restart();
            } catch (const AppInstaller::Failure &failure) {
                return refuse(failure);
            }
            m_target.hash->reset();
            m_resumeFrom = 0;
        }
        curl_off_t announced = -1;
        CurlLibrary::get().easy_getinfo(m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        length = announced;
    }
    const ImagePin &pin = m_target.pin;
    if (pin.size && length >= 0 && length != *pin.size)
        return refuse(DmgFailures::wrongSize(m_target.appName));
    const qint64 known = pin.size ? *pin.size : length;
    if (known > m_limits.cap)
        return refuse(DmgFailures::tooLarge(m_target.appName, m_limits.cap));
    if (known >= 0) {
        const qint64 needed = known - m_resumeFrom, free = freeSpace(m_target.folder);
        if (needed > free - margin())
            return refuse(DmgFailures::notEnoughSpace(m_target.appName, needed + margin(), free));
    }
    m_expected = known;
    // Only a strong ETag may guard a range request; otherwise the modification time does.
    const QByteArray validator = !m_etag.isEmpty() && !m_etag.startsWith("W/") ? m_etag : m_lastModified;
    m_target.partial->describe(validator, known);
    return true;
}

size_t DmgDownloadSink::take(const char *data, size_t size)
{
    if (!checkResponse())
        return 0;  // makes libcurl stop
    const qint64 arrived = m_resumeFrom + m_written + m_filled + qint64(size);
    if (m_target.pin.size && arrived > *m_target.pin.size)
        return refuse(DmgFailures::wrongSize(m_target.appName)), 0;
    if (m_expected < 0 && arrived > m_limits.cap)
        return refuse(DmgFailures::tooLarge(m_target.appName, m_limits.cap)), 0;
    for (size_t offset = 0; offset < size;) {
        const size_t piece = std::min(size_t(bufferSize - m_filled), size - offset);
        std::memcpy(m_buffer + m_filled, data + offset, piece);
        m_filled += qsizetype(piece);
        offset += piece;
        if (m_filled == bufferSize) {
            // A body of unknown length stops before it writes into the space kept free.
            // What the writer has yet to write counts as written.
            if (m_expected < 0 && freeSpace(m_target.folder) - m_writer->pending() - m_filled < margin())
                return refuse(DmgFailures::diskAlmostFull(m_target.appName)), 0;
            if (!flush())
                return 0;
            if (m_written % reportStep == 0)
                report();
        }
    }
    return size;
}

bool DmgDownloadSink::flush()
{
    if (m_filled > 0) {
        m_buffer = m_writer->pass(m_filled);
        m_written += m_filled;
        m_filled = 0;
    }
    const int error = m_writer->error();
    return !error || writeFailed(error);
}

bool DmgDownloadSink::writeFailed(int error)
{
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        return refuse(DmgFailures::diskFull(m_target.appName));
    return refuse(InstallerErrors::fileError(m_target.partial->path(), error));
}

void DmgDownloadSink::keepArrived()
{
    flush();
    m_writer->drain();
}

bool DmgDownloadSink::finish()
{
    if (!checkResponse() || !flush())
        return false;
    m_writer->drain();
    if (const int error = m_writer->error())
        return writeFailed(error);
    const ImagePin &pin = m_target.pin;
    if ((m_expected >= 0 && length() != m_expected) || (pin.size && length() != *pin.size))
        return refuse(DmgFailures::wrongSize(m_target.appName));
    if (!pin.sha256.isEmpty() && m_target.hash->result() != pin.sha256)
        return refuse(DmgFailures::wrongChecksum(m_target.appName));
    return true;
}

void DmgDownloadSink::report() const
{
    if (!*m_progress)
        return;
    const qint64 written = m_resumeFrom + m_written;
    const double fraction = m_expected > 0 ? double(written) / double(m_expected) : 0.0;
    try {
        (*m_progress)(UpdateInstaller::Step::downloading(fraction, written, m_expected));
    } catch (...) {
        // progress is only informative, and an exception must not cross libcurl
    }
}
