#pragma once

#include "service/DmgDownloadSink.h"
#include "service/ImagePin.h"
#include "service/UpdateInstaller.h"

#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <mutex>

class DmgPartial;

// Stops one download from another thread: at once, also while it waits for a silent server.
class DmgCancel {
public:
    void cancel();
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    // For DmgDownload: the transfer to wake while it waits.
    void attach(void *multi);
    void detach();

private:
    std::atomic<bool> m_cancelled{false};
    std::mutex m_mutex;
    void *m_multi = nullptr;
};

// Streams one disk image over HTTPS into its partial download in the cache, with libcurl on
// the calling thread and a second thread writing (and hashing) what arrives. Blocks for the
// whole transfer, so it runs on a worker thread. Memory stays at the writer's ring of buffers
// (plus libcurl's receive buffer) whatever the image's size.
//
// Trusts the system's certificate authorities plus an optional extra one; follows redirects to
// HTTPS only; gives up when connecting takes too long or no byte arrives for a while. Kept
// bytes of an earlier attempt are continued with a range request guarded by If-Range; a server
// that sends the whole image instead, or a changed one, starts it again from nothing.
class DmgDownload {
public:
    struct Request {
        QUrl url;
        ImagePin pin;
        QString appName;  // named in the texts the user reads
    };

    struct Settings {
        QString extraCaFile;
        DmgDownloadSink::Limits limits;
        std::chrono::seconds stallTimeout{60};
    };

    explicit DmgDownload(Settings settings);

    // Fills the partial download with the whole image, checked against the pin; returns its
    // length. Reports downloading(written / expected) after each full MiB written (0 when the
    // length is unknown); the caller reports the end. Throws AppInstaller::Failure: httpStatus
    // for a status outside 200-299, cancelled, the transport failure, or the refusal.
    qint64 fetch(const Request &request, DmgPartial &partial, DmgCancel &cancel,
                 const UpdateInstaller::Progress &progress) const;

    // Stops every running download soon; later ones fail at once. For quitting.
    static void abortAll();
    static bool isAborting();

private:
    Settings m_settings;
};
