#include "service/DmgDownloadSink.h"

#include "service/DmgTemporaryFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

DmgDownloadSink::DmgDownloadSink(CURL *curl, DmgTemporaryFile *file, const UpdateInstaller::Progress *progress)
    : m_curl(curl), m_file(file), m_progress(progress), m_buffer(new char[bufferSize])
{
}

size_t DmgDownloadSink::receive(char *data, size_t size, size_t count, void *sink)
{
    return static_cast<DmgDownloadSink *>(sink)->take(data, size * count);
}

bool DmgDownloadSink::checkResponse()
{
    if (m_checked)
        return m_rejectedStatus == 0;
    m_checked = true;
    long status = 0;
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        m_rejectedStatus = status;
        return false;
    }
    curl_off_t length = -1;
    curl_easy_getinfo(m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    m_expected = length;
    return true;
}

bool DmgDownloadSink::flush()
{
    if (m_filled > 0 && !m_file->write(m_buffer.get(), size_t(m_filled))) {
        m_writeError = errno;
        return false;
    }
    m_written += m_filled;
    m_filled = 0;
    return true;
}

void DmgDownloadSink::report(double fraction) const
{
    if (!*m_progress)
        return;
    try {
        (*m_progress)(UpdateInstaller::Step::downloading(fraction));
    } catch (...) {
        // progress is only informative, and an exception must not cross libcurl
    }
}

size_t DmgDownloadSink::take(const char *data, size_t size)
{
    if (!checkResponse())
        return 0;  // makes libcurl stop
    for (size_t offset = 0; offset < size;) {
        const size_t piece = std::min(size_t(bufferSize - m_filled), size - offset);
        std::memcpy(m_buffer.get() + m_filled, data + offset, piece);
        m_filled += qsizetype(piece);
        offset += piece;
        if (m_filled == bufferSize) {
            if (!flush())
                return 0;
            report(m_expected > 0 ? double(m_written) / double(m_expected) : 0.0);
        }
    }
    return size;
}
