#include "service/DmgDownloadSink.h"

#include "service/DmgFailures.h"
#include "service/DmgPartial.h"
#include "service/Sha256.h"
#include "service/UpdateInstallerError.h"

#include <QFile>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>
#include <cerrno>
#include <cstring>
#include <sys/statvfs.h>

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

// Hashes and writes the full buffers on a thread of its own, in the order they were passed, so
// that the transfer's thread only receives and copies: hashing on it cost a third of the
// throughput. At most `buffers` of them exist, so memory stays bounded whatever the image.
class DmgDownloadSink::Writer {
public:
    static constexpr int buffers = 4;

    Writer(DmgPartial *partial, Sha256 *hash) : m_partial(partial), m_hash(hash)
    {
        for (int i = 0; i < buffers - 1; ++i)
            m_free.push_back(std::make_unique<char[]>(bufferSize));
        m_filling = std::make_unique<char[]>(bufferSize);
        m_thread = std::thread([this] { run(); });
    }
    ~Writer()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    char *filling() const { return m_filling.get(); }

    // Queues the filled buffer's first `size` bytes; waits for a free buffer when all are
    // queued. False (and error()) once a write failed.
    bool pass(qsizetype size)
    {
        std::unique_lock lock(m_mutex);
        if (m_error)
            return false;
        m_queue.push_back({std::move(m_filling), size});
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_free.empty(); });
        m_filling = std::move(m_free.back());
        m_free.pop_back();
        return !m_error;
    }
    // Waits until everything passed is hashed and written; false (and error()) if a write failed.
    bool drain()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.empty() && !m_busy; });
        return !m_error;
    }
    int error() const
    {
        const std::lock_guard lock(m_mutex);
        return m_error;
    }

private:
    struct Block {
        std::unique_ptr<char[]> data;
        qsizetype size;
    };

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_stopping; });
            if (m_queue.empty())
                return;
            Block block = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
            lock.unlock();
            int error = 0;
            m_hash->add(block.data.get(), size_t(block.size));
            if (!m_partial->write(block.data.get(), size_t(block.size)))
                error = errno;
            lock.lock();
            m_busy = false;
            if (error && !m_error)
                m_error = error;
            m_free.push_back(std::move(block.data));
            for (; m_error && !m_queue.empty(); m_queue.pop_front())  // nothing after a failed write
                m_free.push_back(std::move(m_queue.front().data));
            m_changed.notify_all();
        }
    }

    DmgPartial *m_partial;
    Sha256 *m_hash;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Block> m_queue;
    std::vector<std::unique_ptr<char[]>> m_free;
    std::unique_ptr<char[]> m_filling;  // the transfer thread's
    int m_error = 0;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

DmgDownloadSink::DmgDownloadSink(CURL *curl, Target target, Limits limits, qint64 resumeFrom,
                                 const UpdateInstaller::Progress *progress)
    : m_curl(curl), m_target(std::move(target)), m_limits(limits), m_progress(progress),
      m_resumeFrom(resumeFrom), m_writer(std::make_unique<Writer>(m_target.partial, m_target.hash))
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
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &status);
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
        curl_easy_getinfo(m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
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
        std::memcpy(m_writer->filling() + m_filled, data + offset, piece);
        m_filled += qsizetype(piece);
        offset += piece;
        if (m_filled == bufferSize) {
            // A body of unknown length stops before it writes into the space kept free.
            if (m_expected < 0 && freeSpace(m_target.folder) - m_filled < margin())
                return refuse(DmgFailures::diskAlmostFull(m_target.appName)), 0;
            if (!pass())
                return 0;
            if (m_written % reportStep == 0)
                report();
        }
    }
    return size;
}

bool DmgDownloadSink::pass()
{
    if (m_filled > 0 && !m_writer->pass(m_filled))
        return writeFailed();
    m_written += m_filled;
    m_filled = 0;
    return true;
}

bool DmgDownloadSink::flush()
{
    if (!pass())
        return false;
    return m_writer->drain() || writeFailed();
}

bool DmgDownloadSink::writeFailed()
{
    const int error = m_writer->error();
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        return refuse(DmgFailures::diskFull(m_target.appName));
    return refuse(InstallerErrors::fileError(m_target.partial->path(), error));
}

bool DmgDownloadSink::finish()
{
    if (!checkResponse() || !flush())
        return false;
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
