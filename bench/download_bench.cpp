// Downloads one disk image with the update installer and prints the throughput, how much the
// resident memory grew at its peak and the longest stall of the main thread's event loop (gaps
// between ticks of a 1 ms timer) while the download ran.
//
//   download_bench <url> <ca file> <work folder> <rounds> [<size> <sha-256>]
//   download_bench resume <url> <ca file> <work folder> <size>
//
// Each round downloads afresh into <work folder>, checked against the size and SHA-256 when
// given (hashed while it streams, as a pinned catalogue image is); the best throughput and the
// worst memory growth and stall over the rounds are printed, and for comparison the longest
// stall of the same timer on an idle event loop (scheduling on a busy machine alone), watched
// after each round for as long as the round took: the longest of a longer watch is longer.
//
// "resume" cancels a download once half the image has arrived and then downloads it again,
// which continues from what was kept; the server's log tells how much was sent twice.

#include "service/UpdateInstaller.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {
struct Round {
    double mibPerSecond = 0;
    double rssGrowthMib = 0;
    double maxStallMs = 0;
    int milliseconds = 0;
    QString error;
};

// A field of /proc/self/status in kB.
long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Sets the peak resident size back to the current one.
void resetPeakRss()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// The longest gap between ticks of a precise 1 ms timer on this thread.
class StallMeter {
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longestNs = qMax(m_longestNs, m_sinceTick.nsecsElapsed());
            m_sinceTick.restart();
        });
        m_sinceTick.start();
        m_timer.start();
    }
    double longestMs() const { return qMax(m_longestNs, m_sinceTick.nsecsElapsed()) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_longestNs = 0;
};

QCoro::Task<QString> fetch(UpdateInstaller &installer, QUrl url, ImagePin pin, double *lastFraction)
{
    // Progress hops to the main thread, as the window's coordinator does.
    auto progress = [lastFraction](const UpdateInstaller::Step &step) {
        QMetaObject::invokeMethod(qApp, [lastFraction, f = step.fraction] { *lastFraction = f; },
                                  Qt::QueuedConnection);
    };
    CatalogApp app;
    app.id = QStringLiteral("bench");
    app.version = QStringLiteral("1.0");
    app.downloadURL = url;
    QCoro::Task<AppInstaller::Outcome<QString>> downloading = installer.fetch(app, pin, true, progress);
    const AppInstaller::Outcome<QString> image = co_await downloading;
    co_return image.ok() ? image.value() : QStringLiteral("error: ") + image.failure().description();
}

// The same meter on an idle event loop: what the machine's scheduling alone costs.
double idleStallMs(int milliseconds)
{
    StallMeter stalls;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return stalls.longestMs();
}

UpdateInstaller::Options optionsIn(const QString &caFile, const QString &work)
{
    UpdateInstaller::Options options;
    options.locations.home = work + QStringLiteral("/home");
    options.locations.dataHome = work + QStringLiteral("/data");
    options.locations.tempDir = work + QStringLiteral("/tmp");
    options.extraCaFile = caFile;
    QDir().mkpath(options.locations.tempDir);
    return options;
}

Round runRound(const QUrl &url, const QString &caFile, const QString &work, const ImagePin &pin)
{
    UpdateInstaller installer(optionsIn(caFile, work));

    double lastFraction = 0;
    resetPeakRss();
    const long rssBefore = statusKb("VmRSS:");
    StallMeter stalls;
    QElapsedTimer clock;
    clock.start();
    const QString image = QCoro::waitFor(fetch(installer, url, pin, &lastFraction));
    const double seconds = clock.nsecsElapsed() / 1e9;

    Round round;
    round.maxStallMs = stalls.longestMs();
    round.milliseconds = int(seconds * 1000);
    round.rssGrowthMib = (statusKb("VmHWM:") - rssBefore) / 1024.0;
    if (image.startsWith(QStringLiteral("error: "))) {
        round.error = image;
        return round;
    }
    round.mibPerSecond = QFileInfo(image).size() / (1024.0 * 1024.0) / seconds;
    QFile::remove(image);
    return round;
}
} // namespace

// Cut at half, then continued: 0 when it worked, else the failure on standard error.
int resumeRound(const QUrl &url, const QString &caFile, const QString &work, qint64 size)
{
    UpdateInstaller installer(optionsIn(caFile, work));
    CatalogApp app;
    app.id = QStringLiteral("bench");
    app.version = QStringLiteral("1.0");
    app.downloadURL = url;
    auto cutAtHalf = [&installer, size](const UpdateInstaller::Step &step) {
        if (step.received >= size / 2)
            installer.cancelDownloads(QStringLiteral("bench"));
    };
    const AppInstaller::Outcome<QString> cut = QCoro::waitFor(installer.download(app, cutAtHalf));
    const AppInstaller::Outcome<QString> resumed = QCoro::waitFor(installer.download(app, {}));
    if (cut.ok() || !resumed.ok() || QFileInfo(resumed.value()).size() != size) {
        std::fprintf(stderr, "resume: %s / %s\n", qPrintable(cut.ok() ? QStringLiteral("not cut") : cut.failure().description()),
                     qPrintable(resumed.ok() ? resumed.value() : resumed.failure().description()));
        return 1;
    }
    QFile::remove(resumed.value());
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args[1] == QStringLiteral("resume"))
        return resumeRound(QUrl(args[2]), args[3], args[4], args[5].toLongLong());
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: download_bench <url> <ca file> <work folder> <rounds> [<size> <sha-256>]\n"
                             "       download_bench resume <url> <ca file> <work folder> <size>\n");
        return 2;
    }
    const QUrl url(args[1]);
    const int rounds = args[4].toInt();
    ImagePin pin;
    if (args.size() > 6) {
        pin.size = args[5].toLongLong();
        pin.sha256 = QByteArray::fromHex(args[6].toLatin1());
    }

    double idleMs = 0;
    Round summary;
    for (int i = 0; i < rounds; ++i) {
        const Round round = runRound(url, args[2], args[3], pin);
        if (!round.error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(round.error));
            return 1;
        }
        summary.mibPerSecond = qMax(summary.mibPerSecond, round.mibPerSecond);
        summary.rssGrowthMib = qMax(summary.rssGrowthMib, round.rssGrowthMib);
        summary.maxStallMs = qMax(summary.maxStallMs, round.maxStallMs);
        idleMs = qMax(idleMs, idleStallMs(round.milliseconds));
    }
    std::printf("BENCH download_mib_per_s %.1f MiB/s\n", summary.mibPerSecond);
    std::printf("BENCH download_peak_rss_growth_mib %.1f MiB\n", summary.rssGrowthMib);
    std::printf("BENCH download_max_stall_ms %.1f ms\n", summary.maxStallMs);
    std::printf("BENCH idle_max_stall_ms %.1f ms\n", idleMs);
    return 0;
}
