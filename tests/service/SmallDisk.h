#pragma once

#include <QString>

// A small file system of its own (tmpfs) mounted on a folder, for checking what a full disk
// does. Mounting needs root; mounted() says whether it worked. Unmounted when it goes.
class SmallDisk {
public:
    SmallDisk(const QString &folder, int kibibytes = 64);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    // Fills the disk with a file of its own, leaving about `room` bytes free.
    bool fill(qint64 room);

private:
    QString m_folder;
    bool m_mounted = false;
};
