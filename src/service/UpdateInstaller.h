#pragma once

#include "platform/Locations.h"
#include "service/AppInstaller.h"
#include "service/ImagePin.h"

#include <QString>
#include <QThreadPool>
#include <QUrl>

#include <chrono>
#include <optional>

// Turns a download link into an installed, verified app: streams the disk image into a
// per-app cache, mounts it, checks the app's signature, team and the system assessment,
// puts it into the Applications folder atomically, registers it and unmounts. Uninstalling
// moves the app to the Trash and takes it out of the desktop's menus.
//
// Downloads run on threads of their own, installs and uninstalls on others, so neither waits
// behind the other; the caller's thread only awaits results. Destroying the installer waits for
// installs that are running (an app is never left half in place), not for downloads. A download
// writes into a partial file in the cache, which a later attempt continues, and becomes the
// cached image by one rename when it is complete and matches the catalogue's pin.
class UpdateInstaller : public AppInstaller {
public:
    // Absolute paths of the system tools; tests point them at stand-ins.
    struct Tools {
        QString hdiutil, codesign, spctl, xattr;
        static Tools installed();  // <prefix>/libexec/veltrane-hub/<tool>
    };

    struct Options {
        Locations locations = Locations::fromEnvironment();
        Tools tools = Tools::installed();
        QString extraCaFile;     // PEM authority trusted besides the system's
        QString teamIdentifier;  // empty: the maker's team
        // A tool still running after this long is killed and counts as failed.
        std::chrono::seconds toolTimeout{600};
        // A download from which no byte arrives for this long fails.
        std::chrono::seconds stallTimeout{60};
        // The largest image taken, and the free space a download leaves on the cache's file
        // system (by default 64 MiB, or 5% of a smaller file system).
        qint64 downloadCap = qint64(16) << 30;
        std::optional<qint64> freeSpaceMargin;
    };

    // The installed tools and the user's folders; only the system's authorities are trusted.
    UpdateInstaller();
    explicit UpdateInstaller(Options options);
    ~UpdateInstaller() override;

    QString cacheDirectory() const;  // <data>/VeltraneHub/Updates, created when missing
    // <cache>/<appID>-<version>.dmg (it may not exist). Empty when the id or version cannot be
    // part of a file name in the cache ("/", control characters, a leading ".", empty);
    // downloads and installs refuse those with a clear text.
    QString cachedDMG(const QString &appID, const QString &version) const;
    static QString destinationDirectory(const Locations &locations);

    // Whether the image is cached and, when the catalogue pins it, known to match (it is not
    // read here; download() checks an image not checked before).
    bool hasCachedImage(const CatalogApp &app) const override;
    QCoro::Task<Outcome<QString>> download(CatalogApp app, Progress progress) override;
    QCoro::Task<Outcome<QString>> prefetch(CatalogApp app, Progress progress) override;
    // download() and prefetch() with the catalogue's pin given apart from the app.
    QCoro::Task<Outcome<QString>> fetch(CatalogApp app, ImagePin pin, bool urgent, Progress progress);
    void cancelDownloads(const QString &appID) override;
    void cancelAllDownloads() override;
    QCoro::Task<> discardImages(QString appID) override;
    QCoro::Task<> pruneImages(QList<CatalogApp> catalogue) override;
    // Removes, off the calling thread, partial downloads in the cache that a run which has
    // ended left behind and that cannot be continued. For the start of the program.
    static QCoro::Task<> sweepDownloadLeftovers(Locations locations);
    // A cached image that cannot be opened, holds no app or holds one that a check refuses is
    // removed from the cache, so the next attempt downloads it afresh.
    QCoro::Task<Outcome<QString>> install(CatalogApp app, QString image, Progress progress) override;
    // Also drops the copy kept for going back.
    QCoro::Task<Outcome<>> uninstall(QString bundleID, QString location) override;
    // The copy an update replaced, under <data>/VeltraneHub/Previous/<bundle identifier>/.
    std::optional<QString> keptVersion(const CatalogApp &app) const override;
    // The kept copy is checked again like a download (signature, team, assessment) and goes
    // back into place in one step; the newer copy it replaces is removed: the catalogue still
    // offers it as an update, from the cached image.
    QCoro::Task<Outcome<QString>> goBack(CatalogApp app) override;
    // Removes, off the calling thread, what installs of runs that have ended left behind
    // (InstallLeftovers). For the start of the program.
    static QCoro::Task<> sweepInstallLeftovers(Options options);

    const Options &options() const { return m_options; }

private:
    Options m_options;
    QThreadPool m_installPool;  // installs and uninstalls: blocking tool runs and copies
};
