#pragma once

#include <QByteArrayView>
#include <QCoreApplication>
#include <QString>

#include <sys/types.h>

// Writes a whole file so that readers find the old content or the new, never a part of it,
// even when the disk fills up or the program dies half-way: the bytes go to a new temporary
// file in the same folder, every write is checked, the data is synced to the disk, and only
// then is the file renamed over the old one. On any failure the temporary file is removed
// and the old file stays as it was. Blocks on the disk; safe to call from any thread.
class AtomicFile {
    Q_DECLARE_TR_FUNCTIONS(AtomicFile)

public:
    struct [[nodiscard]] Result {
        QString error;  // what went wrong, readable by the user; empty on success

        bool ok() const { return error.isEmpty(); }
    };

    // Replaces the file at `path`, or creates it, with `content`. The folder must exist. The
    // new file gets `mode` less the umask, as any new file does; a link at `path` is replaced
    // by the file, not followed.
    static Result write(const QString &path, QByteArrayView content, mode_t mode = 0644);
};
