#pragma once

// What the window benchmarks share: waiting for frames, the process's resident memory, and a
// scroll of a grid from top to bottom that times every frame.
//
// A frame's time is what the window's thread spends on it: moving the view (which may create
// or reuse cards) plus the frame itself (polish, sync, render) until it is swapped. The wait
// for the render loop's next tick is not counted: it is the same for every program.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <vector>

namespace BenchFrames {

// Resident memory of this process in KiB.
inline double residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble();
    }
    return 0;
}

// Runs the event loop until `count` frames have been swapped (or ten seconds have passed).
inline void waitFrames(QQuickWindow *window, int count)
{
    QEventLoop loop;
    int seen = 0;
    const auto connection = QObject::connect(window, &QQuickWindow::frameSwapped, &loop, [&] {
        if (++seen >= count)
            loop.quit();
    });
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    window->update();
    loop.exec();
    QObject::disconnect(connection);
}

// Lets the event loop run for a while, drawing whatever is due.
inline void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = size_t(std::ceil(p * double(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

// Scrolls `view` (a Flickable) from its top to its bottom by `step` pixels a frame and
// returns each frame's time in milliseconds.
inline std::vector<double> scrollThrough(QQuickWindow *window, QQuickItem *view, qreal step)
{
    std::vector<double> frames;
    QElapsedTimer clock;
    clock.start();
    qint64 moveNs = 0;
    qint64 frameStart = -1;
    const auto begin = QObject::connect(window, &QQuickWindow::beforeFrameBegin, window,
                                        [&] { frameStart = clock.nsecsElapsed(); }, Qt::DirectConnection);
    QEventLoop loop;
    qreal y = view->property("originY").toReal();
    const auto swapped = QObject::connect(window, &QQuickWindow::frameSwapped, &loop, [&] {
        if (frameStart >= 0)
            frames.push_back(double(moveNs + clock.nsecsElapsed() - frameStart) / 1e6);
        frameStart = -1;
        const qreal bottom = view->property("originY").toReal() + view->property("contentHeight").toReal()
                             - view->height();
        if (y >= bottom) {
            loop.quit();
            return;
        }
        y = std::min(y + step, bottom);
        // Outside the frame, as a wheel or a key would.
        QTimer::singleShot(0, view, [&, target = y] {
            const qint64 start = clock.nsecsElapsed();
            view->setProperty("contentY", target);
            moveNs = clock.nsecsElapsed() - start;
            window->update();
        });
    });
    QTimer::singleShot(300'000, &loop, &QEventLoop::quit);
    moveNs = 0;
    window->update();
    loop.exec();
    QObject::disconnect(begin);
    QObject::disconnect(swapped);
    return frames;
}

} // namespace BenchFrames
