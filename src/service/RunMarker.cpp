#include "service/RunMarker.h"

#include <QFile>
#include <QList>

#include <unistd.h>

namespace {
QByteArray bootID()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

// Field 22 of /proc/<pid>/stat; 0 when the process does not exist or has ended (a zombie
// waiting for its parent to collect it runs no more).
qint64 startTime(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = file.readAll();
    // The command name in parentheses may hold spaces: count fields after its closing one.
    const qsizetype end = stat.lastIndexOf(')');
    if (end < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(end + 2).split(' ');
    if (fields.value(0) == "Z" || fields.value(0) == "X")
        return 0;
    return fields.value(19).toLongLong();  // fields[0] is field 3
}
} // namespace

RunMarker RunMarker::current()
{
    static const RunMarker self{bootID(), qint64(::getpid()), startTime(::getpid())};
    return self;
}

RunMarker RunMarker::parse(const QByteArray &text)
{
    const QList<QByteArray> parts = text.trimmed().split(' ');
    if (parts.size() != 3)
        return {};
    bool pidOk = false, startedOk = false;
    RunMarker marker{parts[0], parts[1].toLongLong(&pidOk), parts[2].toLongLong(&startedOk)};
    return pidOk && startedOk && !marker.boot.isEmpty() ? marker : RunMarker();
}

QByteArray RunMarker::text() const { return boot + ' ' + QByteArray::number(pid) + ' ' + QByteArray::number(started); }

bool RunMarker::isRunning() const
{
    if (isEmpty())
        return false;
    const RunMarker self = current();
    return boot == self.boot && startTime(pid) == started;
}
