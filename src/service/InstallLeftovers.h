#pragma once

#include <QString>

#include <chrono>

struct Locations;

// What runs of the Hub that have ended left of their installs: staging folders in both
// Applications folders and beside the kept copies, and disk images that its hdiutil attached
// for them (see tools/hdiutil/MountArea.h), with their squashfuse processes. Each is known by
// its name and by the marker of the run that made it; anything without such a marker, or whose
// run is still going, stays.
namespace InstallLeftovers {

// Removes them. Blocks on the disk and on hdiutil; for the start of the program.
void sweep(const Locations &locations, const QString &hdiutil, std::chrono::milliseconds toolTimeout);

// Where hdiutil makes its mount areas, by the same rule: $XDG_RUNTIME_DIR when it is a private
// folder of ours, else $TMPDIR, else /tmp.
QString mountAreaBase();

} // namespace InstallLeftovers
