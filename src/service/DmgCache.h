#pragma once

#include <QString>

// The download cache: one disk image per app, named <app id>-<version>.dmg.
class DmgCache {
public:
    // Creates the folder when it is missing; a failure shows later, when an image is stored.
    explicit DmgCache(QString folder);

    const QString &folder() const { return m_folder; }

    // False for an app id or version that cannot be part of a file name in the folder: empty,
    // a leading "." (so also "." and ".."), "/", or control characters (NUL included).
    static bool isUsableName(const QString &part);
    // <folder>/<appID>-<version>.dmg; empty when either part is not usable.
    QString imageFor(const QString &appID, const QString &version) const;
    // Whether path is a file right in this folder (not a link to one).
    bool holds(const QString &path) const;

    // Moves a finished download to target, replacing an older copy in one step. The download
    // is gone afterwards, also on failure. Throws AppInstaller::Failure with the file error.
    void store(const QString &download, const QString &target) const;
    // Removes the other images of the kept image's app: those whose prefix (below) is the
    // kept image's. Another app whose id merely starts with this one's keeps its images.
    void prune(const QString &kept) const;
    // A file name split at "-", empty pieces dropped, without its last piece:
    // "notes-2.1.dmg" -> "notes", "notes-2.0-beta.dmg" -> "notes-2.0".
    static QString appPrefix(const QString &fileName);

private:
    QString m_folder;
};
