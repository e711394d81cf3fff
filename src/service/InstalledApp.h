#pragma once

#include <QString>

// One installed copy of a catalogue app.
struct InstalledApp {
    QString bundleID;
    QString version;   // CFBundleShortVersionString
    QString location;  // absolute path of the .app bundle

    friend bool operator==(const InstalledApp &, const InstalledApp &) = default;
};
