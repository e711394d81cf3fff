#pragma once

#include <QString>

#include <cstddef>

// The file a download is written to: <folder>/veltrane-<UUID>.dmg, created new (mode 0600) and
// removed again unless the download keeps it.
class DmgTemporaryFile {
public:
    // Throws AppInstaller::Failure when the file cannot be created.
    explicit DmgTemporaryFile(const QString &folder);
    DmgTemporaryFile(const DmgTemporaryFile &) = delete;
    DmgTemporaryFile &operator=(const DmgTemporaryFile &) = delete;
    ~DmgTemporaryFile();

    const QString &path() const { return m_path; }

    // Writes all of it; false with errno set otherwise.
    bool write(const char *data, std::size_t size);

    // Closes the file and keeps it. A failed close (a write that never reached the disk)
    // throws, and the file is removed.
    QString keep();

private:
    QString m_path;
    int m_fd = -1;
    bool m_kept = false;
};
