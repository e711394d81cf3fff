#include "app/StartupProbe.h"

#include "state/CatalogStore.h"

#include <QQuickWindow>

#include <chrono>
#include <memory>
#include <cstdio>

namespace StartupProbe {

void attach(QQuickWindow *window, const CatalogStore &store)
{
    bool ok = false;
    const qint64 start = qgetenv("VELTRANE_STARTUP_T0_NS").toLongLong(&ok);
    if (!ok || !window)
        return;
    auto reported = std::make_shared<bool>(false);
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&store, start, reported] {
        if (*reported || store.catalog().apps.isEmpty())
            return;
        *reported = true;
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch()).count();
        std::printf("startup_ms %.1f\n", double(now - start) / 1e6);
        std::fflush(stdout);
    });
}

} // namespace StartupProbe
