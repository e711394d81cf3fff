// How long finding the running copies of an app takes. The coordinator asks on the window's
// thread before every install and uninstall, so this must stay within a few milliseconds.
#include "platform/RunningApps.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const RunningApps running;
    const qsizetype processes = QDir(QStringLiteral("/proc"))
                                    .entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)
                                    .size();

    std::vector<double> micros;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        const bool found = running.isRunning(QStringLiteral("com.example.not-running"));
        micros.push_back(double(timer.nsecsElapsed()) / 1000.0);
        if (found)
            return 1;
    }
    std::sort(micros.begin(), micros.end());
    std::printf("BENCH running_apps_processes %lld count\n", static_cast<long long>(processes));
    std::printf("BENCH running_apps_scan_median %.1f us\n", micros[micros.size() / 2]);
    std::printf("BENCH running_apps_scan_p95 %.1f us\n", micros[micros.size() * 95 / 100]);
    return 0;
}
