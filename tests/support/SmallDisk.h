#pragma once

#include <QByteArray>
#include <QString>

// A small file system of its own (tmpfs) mounted on a folder, for checking what a full disk
// does. Mounting needs root; mounted() says whether it worked. Unmounted when it goes.
class SmallDisk {
public:
    // tmpfs mount options: "size=64k", "size=8m,nr_inodes=12", ...
    explicit SmallDisk(const QString &folder, const QByteArray &options = "size=64k");
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    // Fills the disk with a file of its own, leaving about `room` bytes free.
    bool fill(qint64 room);

private:
    QByteArray m_folder;
    bool m_mounted = false;
};
