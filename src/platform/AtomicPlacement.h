#pragma once

#include "platform/StagingFolder.h"
#include "platform/TreeCopy.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// Puts a new copy of a folder (an app bundle) into a destination folder in one step, so that at
// every moment the destination holds either the previous app or the new one, whole.
//
// The copy is first made in a StagingFolder inside the destination folder (same file system,
// out of other users' reach), where it can be checked before anything changes. A fresh install
// then renames it into place without replacing anything; an update exchanges it with the
// installed copy, which stays in the staging folder (replaced()) until the placement goes.
// The staged data is synced to the disk before it goes into place.
//
// Failures throw std::runtime_error with a text for the user that names the destination folder
// and the entry concerned, never the staging folder.
class AtomicPlacement {
    Q_DECLARE_TR_FUNCTIONS(AtomicPlacement)

public:
    AtomicPlacement(const QString &destinationFolder, const QString &bundleName, const QByteArray &runMarker);

    QString destination() const { return m_folder + QLatin1Char('/') + m_name; }
    QString staged() const { return m_staging.path() + QLatin1Char('/') + m_name; }

    // Copies `bundle` (a folder named anything) to staged(), when it fits (see requireRoom).
    void stage(const QString &bundle);
    // Puts staged() in place of destination(); replaced() is then the previous copy, if any.
    void commit();
    QString replaced() const { return m_replaced ? staged() : QString(); }

private:
    void requireRoom(qint64 needed) const;
    [[noreturn]] void copyFailed(const TreeCopy::Error &error, const QString &bundle) const;
    [[noreturn]] void placeFailed(int error) const;

    QString m_folder;
    QString m_name;
    StagingFolder m_staging;
    bool m_replaced = false;
};
