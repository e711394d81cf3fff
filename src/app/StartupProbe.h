#pragma once

class QQuickWindow;
class CatalogStore;

// For the start-up benchmark: when VELTRANE_STARTUP_T0_NS holds the wall-clock time (ns since
// the epoch) the process was started at, prints "first_frame_ms <ms>" when the window's first
// frame is swapped, whatever it shows, and "catalogue_frame_ms <ms>" for the first frame that
// shows cards of the catalogue. Costs nothing when the variable is unset.
namespace StartupProbe {

void attach(QQuickWindow *window, const CatalogStore &store);

} // namespace StartupProbe
