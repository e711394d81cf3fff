#pragma once

#include "catalog/Catalog.h"
#include "state/UpdateTransfer.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtQml/qqml.h>
#include <QtQmlIntegration>

// The detail pane's download line and price, in the user's language and locale.
class DetailProgress {
    Q_DECLARE_TR_FUNCTIONS(DetailProgress)
public:
    // "12.3 MB of 300 MB · 4.1 MB/s · about 1 min left"; shorter while the total or the speed
    // is not known yet.
    static QString line(const UpdateTransfer &transfer, const QLocale &locale = QLocale());
    // 0 to 1, or -1 while the total is unknown (an indeterminate bar).
    static double fraction(const UpdateTransfer &transfer);
    // "12.3 MB", "300 MB": one decimal while the number has fewer than three digits.
    static QString dataSize(qint64 bytes, const QLocale &locale = QLocale());
    // "€4.99" for 4.99 EUR in English; empty for a free app.
    static QString price(const Price &price, const QLocale &locale = QLocale());
};

// The coordinator's transfer record, as QML reads it.
struct TransferValue {
    Q_GADGET
    QML_FOREIGN(UpdateTransfer)
    QML_VALUE_TYPE(transfer)
};
