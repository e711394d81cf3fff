#pragma once

#include "platform/DesktopEntries.h"
#include "service/UpdateInstaller.h"

#include <functional>
#include <optional>

// Puts an app bundle into the Applications folder once a copy of it there has passed every
// check. The copy is made in a staging folder beside the destination (when it fits), and the
// checks run on that copy, which nobody else can change: its signature, signing team and the
// system assessment; its identifier must be the catalogue's and that of the copy it replaces;
// and an older version never replaces a newer one unless that is what was asked for. Only then
// does it go into place, in one step; it loses its quarantine attribute and gets its menu entry.
// Blocks; throws AppInstaller::Failure and leaves the Applications folder as it was.
class BundleInstall {
public:
    struct Request {
        QString bundle;                   // in a mounted image, or a kept copy
        std::optional<QString> bundleID;  // the catalogue's; the bundle must carry it
        DesktopEntries::CatalogDetails details;  // for the menu entry
        bool goingBack = false;           // an older version may replace a newer one
        // Runs before the failure is thrown when a check refused the bundle itself (rather
        // than a tool that could not run).
        std::function<void()> onRefused;
    };

    BundleInstall(const UpdateInstaller::Options &options, UpdateInstaller::Progress progress = {});

    // The installed bundle. The copy an update replaces is kept for going back when the
    // versions differ and the catalogue names the app's identifier; going back keeps nothing.
    QString run(const Request &request) const;

private:
    void requireReplaceable(const QString &destination, const QString &identifier, const QString &version,
                            bool goingBack) const;
    void keepReplaced(const QString &replaced, const QString &bundleID, const QString &version) const;
    void report(const UpdateInstaller::Step &step) const;

    const UpdateInstaller::Options &m_options;
    UpdateInstaller::Progress m_progress;
};
