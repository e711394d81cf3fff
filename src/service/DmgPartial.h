#pragma once

#include "service/RunMarker.h"

#include <QByteArray>
#include <QString>

#include <cstddef>

class Sha256;

// A download on its way into the cache, written in place as "<cache>/.<image>.partial" and
// renamed to the image only when complete. Beside it, "<cache>/.<image>.resume" tells a later
// run how to continue it: the URL, the server's validator (ETag or Last-Modified), the image's
// length and the run writing it. Neither name ends in ".dmg", so the cache never takes them
// for an image. The writer holds a lock on the partial file for as long as it writes.
class DmgPartial {
public:
    struct Info {
        QByteArray url;
        QByteArray validator;  // empty: the server gave none, so the bytes cannot be resumed
        qint64 length = -1;    // the whole image; -1 when unknown
        RunMarker writer;
    };

    static QString pathFor(const QString &image);
    static QString infoPathFor(const QString &image);
    static Info readInfo(const QString &infoPath);
    // Whether a live writer holds the partial file at path.
    static bool isClaimed(const QString &path);

    // Claims the partial download of image for this run. Throws AppInstaller::Failure: another
    // run writes it (busyElsewhere, naming appName), or the file error.
    DmgPartial(QString image, QByteArray url, QString appName);
    DmgPartial(const DmgPartial &) = delete;
    DmgPartial &operator=(const DmgPartial &) = delete;
    // Removes both files unless they were committed or kept for resuming.
    ~DmgPartial();

    // The bytes an earlier run left that this download may continue (same URL, a validator,
    // shorter than the image); 0 when it starts afresh.
    qint64 kept() const { return m_kept; }
    const QByteArray &validator() const { return m_info.validator; }
    const QString &path() const { return m_path; }

    // Feeds the kept bytes to hash; false with errno set on a read error.
    bool hashKept(Sha256 &hash) const;
    // Starts again from nothing (the server sends the whole image). Throws a file error.
    void restart();
    // Records what the server said of the image, so that an interrupted download can resume.
    void describe(const QByteArray &validator, qint64 length);
    // Appends all of it; false with errno set otherwise.
    bool write(const char *data, std::size_t size);

    // Puts the complete download in place as the image, after checking that it holds exactly
    // `length` bytes. Throws AppInstaller::Failure (disk full, file error).
    void commit(qint64 length);
    // Leaves both files for a later run when they can be resumed; otherwise they go.
    void keepForResume();

private:
    void writeInfo();
    [[noreturn]] void fail(int error) const;

    QString m_image;
    QString m_path;
    QString m_infoPath;
    QString m_appName;
    Info m_info;
    qint64 m_kept = 0;
    int m_fd = -1;
    bool m_keep = false;
};
