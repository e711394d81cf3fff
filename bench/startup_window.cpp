// The Hub's window with a large catalogue (given as the saved copy, offline): its resident
// memory once idle, how that memory grows over twenty searches, and the time of each frame
// while the grid scrolls from its top to its bottom.
//   bench_startup_window CATALOG_JSON APP_COUNT
// Prints "idle_rss_kib <n>", "search_rss_growth_ratio <x>", "scroll_frames <n>" and
// "scroll_frame_p95_ms <ms>".

#include "app/VeltraneHubApp.h"
#include "startup_frames.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup_window CATALOG_JSON APP_COUNT\n");
        return 2;
    }
    VeltraneHubApp::prepareGraphics();
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Veltrane Hub"));
    const qsizetype appCount = QByteArray(argv[2]).toLongLong();

    VeltraneHubApp::Options options = VeltraneHubApp::Options::fromBuild();
    // Nothing listens there: the saved copy is what shows.
    options.catalog.endpoint = QUrl(QStringLiteral("https://127.0.0.1:9/api/apps.json"));
    options.catalog.cacheFile = QString::fromLocal8Bit(argv[1]);
    VeltraneHubApp hub(std::move(options));
    if (!hub.start())
        return 1;
    QQuickWindow *window = hub.window();
    for (int i = 0; i < 600 && hub.store().catalog().apps.size() != appCount; ++i)
        BenchFrames::settle(50);
    if (hub.store().catalog().apps.size() != appCount) {
        std::fprintf(stderr, "the catalogue of %lld apps did not load\n", qlonglong(appCount));
        return 1;
    }
    BenchFrames::waitFrames(window, 3);
    BenchFrames::settle(1000);
    const double idle = BenchFrames::residentKiB();
    std::printf("idle_rss_kib %.0f\n", idle);

    // Twenty searches as typed, each drawn, then back to the whole catalogue.
    const char *const queries[] = {"b", "ba", "bal", "l", "lo", "lon", "t", "te", "ten", "m",
                                   "mi", "ra", "rax", "do", "su", "ne", "pi", "gor", "vu", "ke"};
    for (const char *query : queries) {
        hub.store().setSearchText(QString::fromLatin1(query));
        BenchFrames::waitFrames(window, 2);
    }
    hub.store().setSearchText(QString());
    BenchFrames::waitFrames(window, 2);
    BenchFrames::settle(1000);
    std::printf("search_rss_growth_ratio %.3f\n", BenchFrames::residentKiB() / idle);

    auto *grid = window->findChild<QQuickItem *>(QStringLiteral("grid"));
    if (!grid) {
        std::fprintf(stderr, "no grid in the window\n");
        return 1;
    }
    const std::vector<double> frames = BenchFrames::scrollThrough(window, grid, 300);
    std::printf("scroll_frames %zu\n", frames.size());
    std::printf("scroll_frame_p95_ms %.2f\n", BenchFrames::percentile(frames, 0.95));
    std::fflush(stdout);
    return 0;
}
