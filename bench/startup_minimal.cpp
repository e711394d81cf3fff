// The yardstick of the start-up benchmark: the smallest Qt Quick window with some text,
// started the same way as the Hub. Prints "minimal_startup_ms <ms>" on its first frame.
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <chrono>
#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const qint64 start = qgetenv("VELTRANE_STARTUP_T0_NS").toLongLong();
    QQmlApplicationEngine engine;
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
