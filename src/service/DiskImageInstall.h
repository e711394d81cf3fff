#pragma once

#include "service/BundleChecks.h"
#include "service/UpdateInstaller.h"

class CachedImage;

// Installs the app in one disk image: mounts the image, finds the app at its top level, puts a
// checked copy of it into the Applications folder (BundleInstall) and unmounts the image. A
// cached image that a check refuses is removed from the cache, so the next attempt downloads it
// afresh. Blocks while the tools run; lives for one call of UpdateInstaller::install.
class DiskImageInstall {
public:
    DiskImageInstall(const UpdateInstaller::Options &options, const UpdateInstaller::Progress &progress);

    // The installed bundle. Throws AppInstaller::Failure; once the image is mounted, it is
    // detached on every path, after the last progress report.
    QString run(const CatalogApp &app, const QString &dmg) const;

private:
    QString mount(const QString &dmg, const CachedImage &image) const;
    QString appBundle(const QString &mountPoint) const;
    void detach(const QString &mountPoint) const noexcept;
    void report(const UpdateInstaller::Step &step) const;

    const UpdateInstaller::Options &m_options;
    const UpdateInstaller::Progress &m_progress;
    const BundleChecks m_tools;
};
