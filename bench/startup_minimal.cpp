// The yardstick of the window benchmarks: the smallest Qt Quick window with some text,
// started the same way as the Hub. Prints "minimal_startup_ms <ms>" on its first frame.
//   bench_startup_minimal            the window with one line of text
//   bench_startup_minimal scroll N   a grid of N plain cards scrolled from top to bottom the
//                                    way the Hub's grid is; prints "minimal_scroll_frame_p95_ms"
#include "startup_frames.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <chrono>
#include <cstdio>

namespace {

int scroll(QQmlApplicationEngine &engine, int count)
{
    engine.loadData(QStringLiteral(R"(
        import QtQuick
        Window {
            width: 1080; height: 720; visible: true
            GridView {
                objectName: "grid"
                x: 260; width: 800; height: parent.height
                cellWidth: 400; cellHeight: 100
                model: %1
                reuseItems: true
                delegate: Rectangle {
                    required property int index
                    width: 384; height: 84; radius: 12; border.color: "#ddd"
                    Text { x: 84; y: 14; text: "App " + index; font.pixelSize: 14 }
                    Text { x: 84; y: 36; text: "A tagline of two short lines"; font.pixelSize: 13 }
                }
            }
        }
    )").arg(count).toUtf8());
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    auto *grid = window ? window->findChild<QQuickItem *>(QStringLiteral("grid")) : nullptr;
    if (!grid)
        return 1;
    BenchFrames::waitFrames(window, 3);
    const std::vector<double> frames = BenchFrames::scrollThrough(window, grid, 300);
    std::printf("minimal_scroll_frame_p95_ms %.2f\n", BenchFrames::percentile(frames, 0.95));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    if (argc >= 3 && QByteArray(argv[1]) == "scroll")
        return scroll(engine, QByteArray(argv[2]).toInt());

    const qint64 start = qgetenv("VELTRANE_STARTUP_T0_NS").toLongLong();
    engine.loadData(R"(
        import QtQuick
        Window {
            width: 1080; height: 720; visible: true
            Text { anchors.centerIn: parent; text: "Hello" }
        }
    )");
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    if (!window)
        return 1;
    bool reported = false;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        if (reported)
            return;
        reported = true;
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch()).count();
        std::printf("minimal_startup_ms %.1f\n", double(now - start) / 1e6);
        std::fflush(stdout);
    });
    return QGuiApplication::exec();
}
