#include "service/DmgTransfers.h"

#include "service/DmgDownload.h"

#include <QCoreApplication>
#include <QPromise>
#include <QRunnable>

struct DmgTransfers::Transfer {
    QString appID;
    QString image;
    DmgCancel cancel;
    QMutex mutex;  // guards listeners
    QList<AppInstaller::Progress> listeners;
    QPromise<Outcome> promise;
    QFuture<Outcome> future;
    QRunnable *runnable = nullptr;  // owned by the pool that runs it
    bool urgent = false;

    void report(const AppInstaller::Step &step)
    {
        QList<AppInstaller::Progress> all;
        {
            const QMutexLocker lock(&mutex);
            all = listeners;
        }
        for (const AppInstaller::Progress &listener : std::as_const(all)) {
            if (listener)
                listener(step);
        }
    }
};

DmgTransfers &DmgTransfers::instance()
{
    static DmgTransfers transfers;
    return transfers;
}

DmgTransfers::DmgTransfers()
{
    m_background.setMaxThreadCount(4);
    m_urgent.setMaxThreadCount(64);
    // Quitting stops running downloads, keeping what arrived, so the threads end promptly.
    qAddPostRoutine([] {
        DmgDownload::abortAll();
        instance().cancelAll();
    });
}

DmgTransfers::~DmgTransfers()
{
    cancelAll();
    m_background.waitForDone();
    m_urgent.waitForDone();
}

QFuture<DmgTransfers::Outcome> DmgTransfers::run(const QString &appID, const QString &image, bool urgent,
                                                 AppInstaller::Progress progress, Job job)
{
    const QMutexLocker lock(&m_mutex);
    if (const std::shared_ptr<Transfer> running = m_transfers.value(image)) {
        {
            const QMutexLocker listeners(&running->mutex);
            running->listeners.append(std::move(progress));
        }
        if (urgent && !running->urgent && m_background.tryTake(running->runnable)) {
            running->urgent = true;
            m_urgent.start(running->runnable);
        }
        return running->future;
    }
    auto transfer = std::make_shared<Transfer>();
    transfer->appID = appID;
    transfer->image = image;
    transfer->listeners.append(std::move(progress));
    transfer->urgent = urgent;
    transfer->future = transfer->promise.future();
    transfer->promise.start();
    transfer->runnable = QRunnable::create([this, transfer, job = std::move(job)] {
        const Outcome outcome = job(transfer->cancel, [&](const AppInstaller::Step &step) { transfer->report(step); });
        {
            const QMutexLocker lock(&m_mutex);
            if (m_transfers.value(transfer->image) == transfer)
                m_transfers.remove(transfer->image);
        }
        transfer->promise.addResult(outcome);
        transfer->promise.finish();
    });
    m_transfers.insert(image, transfer);
    (urgent ? m_urgent : m_background).start(transfer->runnable);
    return transfer->future;
}

void DmgTransfers::cancel(const std::shared_ptr<Transfer> &transfer)
{
    transfer->cancel.cancel();
    // One still waiting for its turn runs now, to end at once.
    if (!transfer->urgent && m_background.tryTake(transfer->runnable)) {
        transfer->urgent = true;
        m_urgent.start(transfer->runnable);
    }
}

void DmgTransfers::cancel(const QString &appID)
{
    const QMutexLocker lock(&m_mutex);
    for (const std::shared_ptr<Transfer> &transfer : std::as_const(m_transfers)) {
        if (transfer->appID == appID)
            cancel(transfer);
    }
}

void DmgTransfers::cancelAll()
{
    const QMutexLocker lock(&m_mutex);
    for (const std::shared_ptr<Transfer> &transfer : std::as_const(m_transfers))
        cancel(transfer);
}

QList<QFuture<DmgTransfers::Outcome>> DmgTransfers::running(const QString &appID) const
{
    QList<QFuture<Outcome>> futures;
    const QMutexLocker lock(&m_mutex);
    for (const std::shared_ptr<Transfer> &transfer : std::as_const(m_transfers)) {
        if (transfer->appID == appID)
            futures.append(transfer->future);
    }
    return futures;
}
