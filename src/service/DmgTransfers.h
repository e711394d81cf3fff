#pragma once

#include "service/AppInstaller.h"

#include <QFuture>
#include <QHash>
#include <QMutex>
#include <QThreadPool>

#include <functional>
#include <memory>

class DmgCancel;

// The downloads in flight, at most one per image, shared by every caller that asks for that
// image while it runs. Pre-downloads take turns on a few threads of their own; downloads for
// an install get threads at once and never wait behind them, and one that joins a
// pre-download still waiting for its turn starts it at once.
class DmgTransfers {
public:
    using Outcome = AppInstaller::Outcome<QString>;
    using Job = std::function<Outcome(DmgCancel &cancel, const AppInstaller::Progress &progress)>;

    static DmgTransfers &instance();

    // The result of the transfer of image, joined or started with job; progress gets its reports.
    QFuture<Outcome> run(const QString &appID, const QString &image, bool urgent, AppInstaller::Progress progress,
                         Job job);
    void cancel(const QString &appID);
    void cancelAll();
    // The results of the app's transfers in flight.
    QList<QFuture<Outcome>> running(const QString &appID) const;

private:
    struct Transfer;
    DmgTransfers();
    ~DmgTransfers();
    void cancel(const std::shared_ptr<Transfer> &transfer);

    mutable QMutex m_mutex;
    QHash<QString, std::shared_ptr<Transfer>> m_transfers;  // by image
    QThreadPool m_background;
    QThreadPool m_urgent;
};
