#include "app/StartupProbe.h"

#include "state/CatalogStore.h"

#include <QQuickItem>
#include <QQuickWindow>

#include <chrono>
#include <cstdio>
#include <memory>

namespace StartupProbe {

void attach(QQuickWindow *window, const CatalogStore &store)
{
    bool ok = false;
    const qint64 start = qgetenv("VELTRANE_STARTUP_T0_NS").toLongLong(&ok);
    if (!ok || !window)
        return;
    const auto report = [start](const char *name) {
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch()).count();
        std::printf("%s %.1f\n", name, double(now - start) / 1e6);
        std::fflush(stdout);
    };
    // The cards are on screen in the frame after the grid has made its first one: the grid
    // makes its cards while it lays itself out, before the frame is drawn.
    const auto cardsShown = [window] {
        QQuickItem *grid = window->findChild<QQuickItem *>(QStringLiteral("grid"));
        QQuickItem *card = nullptr;
        if (grid && grid->isVisible())
            QMetaObject::invokeMethod(grid, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, card), Q_ARG(int, 0));
        return card != nullptr;
    };
    auto frames = std::make_shared<int>(0);
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&store, report, frames, cardsShown] {
        if (*frames == 0)
            report("first_frame_ms");
        if (*frames >= 0 && !store.catalog().apps.isEmpty() && cardsShown()) {
            report("catalogue_frame_ms");
            *frames = -1;
            return;
        }
        if (*frames >= 0)
            ++*frames;
    });
}

} // namespace StartupProbe
