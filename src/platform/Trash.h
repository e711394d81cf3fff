#pragma once

#include <QCoreApplication>
#include <QString>

// The user's Trash (freedesktop.org layout): trashed items can be put back because each one
// keeps an information file naming where it came from and when it was trashed. Written here
// rather than with QFile::moveToTrash, which in Qt 6.4 writes Path= without escaping it, so an
// item whose name holds "%" would be put back in the wrong place.
class Trash {
    Q_DECLARE_TR_FUNCTIONS(Trash)

public:
    struct Result {
        QString trashedAt;  // the item's path inside the Trash; empty on failure
        QString error;      // what went wrong, readable by the user; empty on success

        bool ok() const { return error.isEmpty(); }
    };

    // dataHome is $XDG_DATA_HOME: the home Trash is <dataHome>/Trash.
    explicit Trash(QString dataHome);

    // Moves a file or folder into the Trash of its filesystem: the home Trash, or for an item
    // on another filesystem that filesystem's own $topdir/.Trash/$uid or $topdir/.Trash-$uid.
    // Never copies across filesystems. Blocks on the disk; safe to call from any thread.
    Result moveToTrash(const QString &path) const;

    QString homeTrash() const { return m_dataHome + QStringLiteral("/Trash"); }

private:
    QString m_dataHome;
};
