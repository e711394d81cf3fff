#pragma once

#include <QByteArray>

// Names one run of the program: boot id, process id and the process's start time, so that a
// later run can tell whether the run that left a file behind is still going (a process id
// alone may have been reused, also after a reboot).
struct RunMarker {
    QByteArray boot;
    qint64 pid = 0;
    qint64 started = 0;  // clock ticks after boot, from /proc/<pid>/stat

    static RunMarker current();
    static RunMarker parse(const QByteArray &text);  // "<boot> <pid> <started>"; empty on error
    QByteArray text() const;
    bool isEmpty() const { return pid <= 0; }
    // False for an empty marker.
    bool isRunning() const;

    friend bool operator==(const RunMarker &, const RunMarker &) = default;
};
