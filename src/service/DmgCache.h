#pragma once

#include "catalog/Catalog.h"
#include "service/ImagePin.h"

#include <QString>

// The download cache: one disk image per app, named <app id>-<version>.dmg, and the partial
// downloads on their way there (see DmgPartial).
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

    // Removes the other images of the kept image's app, and their partial downloads: those
    // whose prefix (below) is the kept image's. Another app whose id merely starts with this
    // one's keeps its images.
    void prune(const QString &kept) const;
    // A file name split at "-", empty pieces dropped, without its last piece:
    // "notes-2.1.dmg" -> "notes", "notes-2.0-beta.dmg" -> "notes-2.0".
    static QString appPrefix(const QString &fileName);

    // Removes every image and partial download of the app: names "<appID>-<version>..." whose
    // version starts with a digit (so "notes-pro-1.0.dmg" is not one of notes' images).
    void removeApp(const QString &appID) const;
    // Removes images and partial downloads older than the catalogue's version of their app
    // (the longest catalogue id that prefixes the name); other files stay.
    void pruneOlder(const QList<CatalogApp> &catalogue) const;
    // Removes partial downloads that a run which has ended left and that cannot be resumed,
    // and descriptions without a partial. Returns how many files went.
    int sweepLeftovers() const;

    // Checks a cached image against the catalogue's pin; a mismatch removes it and throws
    // AppInstaller::Failure naming appName. An image verified before (same file, size and
    // modification time) is not read again.
    static void verify(const QString &image, const ImagePin &pin, const QString &appName);
    // Whether verify() would pass without reading the image: no pin, or verified before.
    static bool isKnownGood(const QString &image, const ImagePin &pin);
    // Notes an image whose bytes were hashed while they arrived.
    static void rememberVerified(const QString &image, const ImagePin &pin);

private:
    // The image a cache entry belongs to: "X.dmg" for "X.dmg", ".X.dmg.partial" and
    // ".X.dmg.resume"; empty for anything else.
    static QString imageNameOf(const QString &fileName);
    // Removes an entry, unless it is a partial download that a live writer holds.
    void removeEntry(const QString &name) const;
    QStringList entries() const;

    QString m_folder;
};
