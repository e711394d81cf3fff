#pragma once

#include <QCoreApplication>
#include <QList>
#include <QLocale>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QString>

// UpdateCoordinator::Transfer: how far one app's download has come, for the progress line
// beside the app's state.
struct UpdateTransfer {
    Q_GADGET
    Q_DECLARE_TR_FUNCTIONS(UpdateTransfer)
    Q_PROPERTY(qint64 received MEMBER received CONSTANT)
    Q_PROPERTY(qint64 total MEMBER total CONSTANT)
    Q_PROPERTY(double bytesPerSecond MEMBER bytesPerSecond CONSTANT)
    Q_PROPERTY(double secondsLeft MEMBER secondsLeft CONSTANT)
    Q_PROPERTY(QString text READ text CONSTANT)
public:
    qint64 received = 0;        // bytes of the image so far, those kept from an earlier attempt included
    qint64 total = -1;          // the image's length; -1 when unknown
    double bytesPerSecond = 0;  // averaged over the last few seconds; 0 until known
    double secondsLeft = -1;    // -1 when unknown

    // "12.3 MB of 300 MB · 4.1 MB/s · about 1 min left", in the current language; the parts
    // not known yet are left out.
    QString text() const { return text(QLocale()); }
    QString text(const QLocale &locale) const;

    friend bool operator==(const UpdateTransfer &, const UpdateTransfer &) = default;
};

// Turns the byte counts a download reports into transfer records, with the speed over the
// last few seconds of reports.
class TransferMeter {
public:
    static constexpr qint64 windowMs = 5000;

    // What has arrived at time nowMs (any monotonic clock, in milliseconds).
    UpdateTransfer add(qint64 nowMs, qint64 received, qint64 total);

private:
    QList<QPair<qint64, qint64>> m_samples;  // (time, bytes), oldest first
};

Q_DECLARE_METATYPE(UpdateTransfer)
