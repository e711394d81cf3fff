#pragma once

#include "platform/DesktopEntries.h"
#include "platform/Locations.h"
#include "service/InstalledApp.h"

#include <QHash>

// Gives each installed copy that has no menu entry of its own the entry an install writes: a
// run stopped between putting an app in place and registering it leaves the app without one.
// Call it with what InstalledApps::scan found and the catalogue's details by bundle identifier,
// off the window's thread. Returns how many entries were written.
int registerMissingEntries(const Locations &locations, const QHash<QString, InstalledApp> &installed,
                           const QHash<QString, DesktopEntries::CatalogDetails> &details = {});
