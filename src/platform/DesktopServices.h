#pragma once

#include "platform/AppLauncher.h"
#include "platform/Locations.h"
#include "platform/RunningApps.h"

#include <memory>

// The desktop facilities the update coordinator uses. Each one is a class with virtual
// members, so tests may put in their own; all are safe to use from any thread.
struct DesktopServices {
    std::shared_ptr<const RunningApps> runningApps;
    std::shared_ptr<const AppLauncher> launcher;

    // The real ones, for the user whose folders `locations` names.
    static DesktopServices forUser(const Locations &locations);
};
