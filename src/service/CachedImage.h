#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>

// A disk image in the download cache as an install found it, so that an image that a check
// refused can be removed (the next attempt then downloads it afresh), and only that image: a
// newer copy that a download stored under the same name meanwhile stays. Images outside the
// cache are the caller's and are never removed.
class CachedImage {
public:
    CachedImage(const QString &path, const QString &cacheFolder);

    // Removes the image if it is still the file found at construction (same device, inode,
    // size and modification time).
    void forget() const;

private:
    struct Identity {
        dev_t device;
        ino_t inode;
        off_t size;
        timespec modified;
    };
    static std::optional<Identity> identityOf(const QByteArray &path);
    static bool same(const Identity &a, const Identity &b);

    QString m_path;
    std::optional<Identity> m_identity;
};
