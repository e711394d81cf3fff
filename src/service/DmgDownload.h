#pragma once

#include "service/UpdateInstaller.h"

#include <QString>
#include <QUrl>

// Streams one disk image over HTTPS into a new temporary file, with libcurl on the calling
// thread. Blocks for the whole transfer, so it runs on a worker thread. Memory stays at one
// 1 MiB buffer (plus libcurl's receive buffer) whatever the image's size.
//
// Trusts the system's certificate authorities plus an optional extra one; follows redirects to
// HTTPS only; gives up when connecting takes too long or no byte arrives for a minute, but sets
// no limit on a download that keeps moving.
class DmgDownload {
public:
    DmgDownload(QString tempDir, QString extraCaFile);

    // Returns the temporary file <tempDir>/veltrane-<UUID>.dmg holding the whole body. Reports
    // downloading(written / expected) after each full MiB written (0 when the length is
    // unknown) and downloading(1.0) at the end. Throws AppInstaller::Failure: httpStatus for a
    // status outside 200-299, otherwise the network or file error; a body shorter or longer
    // than its announced length fails too. No temporary file remains after a failure.
    QString fetch(const QUrl &url, const UpdateInstaller::Progress &progress) const;

    // Stops every running download soon; later ones fail at once. For quitting.
    static void abortAll();

private:
    QString m_tempDir;
    QString m_extraCaFile;
};
