#pragma once

// Interface sketch; the install-pipeline work fills it in and may refine it, keeping the
// members other parts use: Step, Failure/Error with description(), cachedDMG, fetchDMG,
// install, destinationDirectory.

#include "platform/Locations.h"

#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <functional>

class UpdateInstaller {
public:
    struct Step {
        enum class Kind { Downloading, Verifying, Installing, Finished };
        Kind kind = Kind::Verifying;
        double fraction = 0;  // Downloading
        QString location;     // Finished: the installed bundle

        static Step downloading(double f) { return {Kind::Downloading, f, {}}; }
        static Step verifying() { return {Kind::Verifying, 0, {}}; }
        static Step installing() { return {Kind::Installing, 0, {}}; }
        static Step finished(QString at) { return {Kind::Finished, 0, std::move(at)}; }
        friend bool operator==(const Step &, const Step &) = default;
    };

    using Progress = std::function<void(const Step &)>;

    // Absolute paths of the system tools; tests point them at stand-ins.
    struct Tools {
        QString hdiutil, codesign, spctl, xattr;
        static Tools installed();  // <prefix>/libexec/veltrane-hub/<tool>
    };
};
