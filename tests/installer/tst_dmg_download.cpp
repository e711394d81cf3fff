// The download into the cache against a real HTTPS server: bytes, progress, failures, the disk's
// bounds, pins, resuming, cancelling, shared transfers and the cache's housekeeping.
#include "SmallDisk.h"
#include "TestCertificates.h"
#include "TestFiles.h"
#include "TestHttpsServer.h"
#include "service/DmgPartial.h"
#include "service/UpdateInstaller.h"

#include <QCoroTask>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>


using Step = UpdateInstaller::Step;
using Route = TestHttpsServer::Route;
using Outcome = AppInstaller::Outcome<QString>;

namespace {
constexpr qint64 MiB = 1024 * 1024;

CatalogApp appAt(const QString &appID, const QString &version, const QUrl &url)
{
    CatalogApp app;
    std::tie(app.id, app.name, app.version, app.downloadURL) = std::tuple(appID, QStringLiteral("Notes"), version, url);
    return app;
}

QString errorOf(const Outcome &outcome) { return outcome.ok() ? QString() : outcome.failure().description(); }

ImagePin pinOf(const QByteArray &bytes) { return {bytes.size(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)}; }

// Progress reports arrive on the download's thread.
struct Recorder {
    UpdateInstaller::Progress callback()
    {
        return [this](const Step &step) { const QMutexLocker lock(&mutex); recorded << step; };
    }
    QList<Step> steps() { const QMutexLocker lock(&mutex); return recorded; }
    QMutex mutex;
    QList<Step> recorded;
};

} // namespace

class TestDmgDownload : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_options = {};
        Locations &l = m_options.locations;
        std::tie(l.home, l.dataHome, l.systemApplications, l.tempDir) = std::tuple(
            m_root->filePath("home"), m_root->filePath("data"), m_root->filePath("Applications"), m_root->filePath("tmp"));
        QDir().mkpath(m_options.locations.dataHome);
        m_options.extraCaFile = TestCertificates::caFile();
        m_server.clearRequests();
    }

    void cleanup() { m_disk.reset(); }

    void streamsIntoTheCache_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("announced");
        QTest::addColumn<QList<double>>("fractions");
        QTest::newRow("empty") << qint64(0) << true << QList<double>{1.0};
        QTest::newRow("3.5 MiB") << 7 * MiB / 2 << true << QList<double>{1 / 3.5, 2 / 3.5, 3 / 3.5, 1.0};
        QTest::newRow("exactly 2 MiB") << 2 * MiB << true << QList<double>{0.5, 1.0, 1.0};
        QTest::newRow("no length") << 5 * MiB / 2 << false << QList<double>{0, 0, 1.0};
    }

    void streamsIntoTheCache()
    {
        QFETCH(qint64, size);
        QFETCH(bool, announced);
        Route route = Route::generated(size);
        route.omitContentLength = !announced;
        route.etag = "\"v1\"";
        m_server.route("/notes.dmg", route);
        Recorder progress;

        const Outcome fetched = fetch({}, &progress);
        QCOMPARE(errorOf(fetched), QString());
        QCOMPARE(fetched.value(), installer().cachedDMG("notes", "2.1"));
        QCOMPARE(TestFiles::read(fetched.value()), TestHttpsServer::generatedBytes(size));
        QList<double> reported;
        qint64 received = 0;
        for (const Step &step : progress.steps()) {
            reported << step.fraction;
            QVERIFY(step.received - received <= MiB);  // a report for every MiB
            received = step.received;
        }
        QTEST(reported, "fractions");
        QCOMPARE(progress.steps().last().received, size);
        QCOMPARE(progress.steps().last().total, size);
        QCOMPARE(cacheEntries(), QStringList{"notes-2.1.dmg"});  // no partial, no description
    }

    void failures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("404") << "404" << "Download failed (HTTP 404).";
        QTest::newRow("dropped connection") << "dropped" << "The connection to the server was lost.";
        QTest::newRow("stalled") << "stalled" << "The connection timed out.";
        QTest::newRow("untrusted server") << "untrusted" << "The server's certificate is not trusted.";
        QTest::newRow("nobody listening") << "closed port" << "Could not connect to the server.";
        const QString insecure = "The download link does not use a secure connection (https).";
        QTest::newRow("plain http") << "http" << insecure;
        QTest::newRow("redirect to plain http") << "redirect to http" << insecure;
        QTest::newRow("unreadable extra authority")
            << "missing authority" << "Cannot read the certificate authority %1: No such file or directory";
    }

    void failures()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        std::unique_ptr<TestHttpsServer> untrusted;
        QTcpServer plain;  // takes connections and never answers
        int plainConnections = 0;
        connect(&plain, &QTcpServer::newConnection, this, [&] { ++plainConnections; });
        QVERIFY(plain.listen(QHostAddress::LocalHost));
        QUrl plainUrl(QStringLiteral("http://127.0.0.1:%1/notes.dmg").arg(plain.serverPort()));
        QUrl url = m_server.url("/notes.dmg");
        Route route = Route::generated(3 * MiB);
        if (kind == "404")
            route = Route::withStatus(404, "not here");
        if (kind == "dropped")
            route.dropAfter = MiB + 100;
        if (kind == "stalled") {
            route.stallAfter = 1000;
            m_options.stallTimeout = std::chrono::seconds(1);
        }
        if (kind == "untrusted") {
            untrusted = std::make_unique<TestHttpsServer>(false);
            untrusted->route("/notes.dmg", route);
            url = untrusted->url("/notes.dmg");
        }
        if (kind == "closed port") {
            url = plainUrl;
            url.setScheme("https");
            plain.close();
        }
        if (kind == "missing authority") {
            m_options.extraCaFile = m_root->filePath("missing.pem");
            message = message.arg(m_options.extraCaFile);
        }
        if (kind == "http")
            url = plainUrl;
        if (kind == "redirect to http") {
            route = Route::withStatus(301);
            route.headers.append({"Location", plainUrl.toEncoded()});
        }
        m_server.route("/notes.dmg", route);
        Recorder progress;

        const Outcome fetched = fetch({}, &progress, url);
        QCOMPARE(errorOf(fetched), message);
        QVERIFY2(cacheEntries().isEmpty(), qPrintable(cacheEntries().join(' ')));  // no validator: nothing to resume
        for (const Step &step : progress.steps())
            QVERIFY(step.fraction < 1.0);  // never reported as complete
        QCOMPARE(plainConnections, 0);
    }

    // Nothing a server sends can fill the disk: what does not fit is refused before it is
    // written, a body of unknown length stops while space is left, and a full disk leaves
    // nothing behind.
    void boundsWhatIsWritten_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("requests");
        QTest::newRow("announced length beyond free space")
            << "announced" << "Not enough free space to download Notes: it needs 5.0 GB, but only 8.4 MB are free." << 1;
        QTest::newRow("pinned length beyond free space")
            << "pinned" << "Not enough free space to download Notes: it needs 5.0 GB, but only 8.4 MB are free." << 0;
        QTest::newRow("endless body, space runs low")
            << "endless" << "The download of Notes was stopped because the disk is almost full." << 1;
        QTest::newRow("disk full while writing")
            << "full" << "The disk is full: the download of Notes was stopped and removed." << 1;
        QTest::newRow("endless body past the cap")
            << "cap" << "The download of Notes is larger than 2.1 MB and was stopped." << 1;
    }

    void boundsWhatIsWritten()
    {
        QFETCH(QString, kind);
        if (kind != "cap") {
            m_disk.emplace(m_options.locations.dataHome, "size=8m");
            if (!m_disk->mounted())
                QSKIP("Mounting a small file system needs root: running out of disk space was not checked");
        }
        Route route = Route::generated(12 * MiB);
        route.omitContentLength = kind != "announced";
        ImagePin pin;
        if (kind == "announced")
            route.announcedLength = 5'000'000'000;
        if (kind == "pinned")
            pin.size = 5'000'000'000;
        UpdateInstaller::Progress progress;
        if (kind == "full") {
            // It fits when it starts; then something else takes the space.
            route.generatedSize = 4 * MiB;
            route.omitContentLength = false;
            progress = [this, filled = std::make_shared<bool>(false)](const Step &) {
                if (!std::exchange(*filled, true))
                    m_disk->fill(64 * 1024);
            };
        }
        if (kind == "cap")
            m_options.downloadCap = 2 * MiB;
        m_server.route("/notes.dmg", route);

        QTEST(errorOf(fetchApp(appAt("notes", "2.1", m_server.url("/notes.dmg")), pin, progress)), "message");
        QTEST(int(m_server.requestCount("/notes.dmg")), "requests");
        QVERIFY2(cacheEntries().isEmpty(), qPrintable(cacheEntries().join(' ')));
    }

    void checksPinnedImages_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        const QString size = "The download of Notes does not have the size the catalogue gives; it was removed.";
        QTest::newRow("matching") << "matching" << "";
        // Refused as soon as the server says it, before a byte is written.
        QTest::newRow("other length announced") << "announced" << size;
        QTest::newRow("longer body of unknown length") << "longer" << size;
        QTest::newRow("other bytes")
            << "bytes" << "The download of Notes does not match the checksum the catalogue gives; it was removed.";
        QTest::newRow("cached image of another size, only the size pinned") << "cached size" << size;
        QTest::newRow("cached image of other bytes")
            << "cached bytes" << "The download of Notes does not match the checksum the catalogue gives; it was removed.";
    }

    void checksPinnedImages()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        const QByteArray image = TestHttpsServer::generatedBytes(3 * MiB + 5);
        ImagePin pin = pinOf(image);
        Route route = Route::generated(image.size());
        if (kind == "announced")
            route.generatedSize = image.size() + 1;
        if (kind == "longer") {
            route.generatedSize = 5 * MiB;
            route.omitContentLength = true;
        }
        if (kind == "bytes")
            route.pattern = "another pattern";
        if (kind == "cached size") {
            TestFiles::write(installer().cachedDMG("notes", "2.1"), "short");
            pin.sha256.clear();
        }
        if (kind == "cached bytes")
            TestFiles::write(installer().cachedDMG("notes", "2.1"), QByteArray(image.size(), 'x'));
        m_server.route("/notes.dmg", route);
        Recorder progress;

        const Outcome fetched = fetch(pin, &progress);
        QCOMPARE(errorOf(fetched), message);
        QCOMPARE(cacheEntries(), message.isEmpty() ? QStringList{"notes-2.1.dmg"} : QStringList());
        QCOMPARE(progress.steps().isEmpty(), kind == "announced" || kind.startsWith("cached"));
        for (const Step &step : progress.steps())
            QVERIFY(step.received <= image.size());  // nothing read past the pinned length
    }

    // Cut at half, the download continues from what arrived with a guarded range request, or
    // starts again when the server sends the whole file; never a mix of two files.
    void resumes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("range honoured") << "ranges";
        QTest::newRow("whole file instead") << "no ranges";
        QTest::newRow("file changed") << "changed";
    }

    void resumes()
    {
        QFETCH(QString, kind);
        const qint64 size = 4 * MiB + 3, cut = 2 * MiB + 7;
        Route route = Route::generated(size);
        route.etag = "\"v1\"";
        route.ranges = kind != "no ranges";
        route.dropAfter = cut;
        m_server.route("/notes.dmg", route);
        QCOMPARE(errorOf(fetch()), "The connection to the server was lost.");
        QCOMPARE(cacheEntries(), (QStringList{".notes-2.1.dmg.partial", ".notes-2.1.dmg.resume"}));

        route.dropAfter.reset();
        if (kind == "changed") {
            route.etag = "\"v2\"";
            route.pattern = "the new file";
        }
        m_server.route("/notes.dmg", route);
        const Outcome fetched = fetch(pinOf(TestHttpsServer::generatedBytes(size, route.pattern)));
        QCOMPARE(errorOf(fetched), QString());
        QCOMPARE(TestFiles::read(fetched.value()), TestHttpsServer::generatedBytes(size, route.pattern));
        QCOMPARE(cacheEntries(), QStringList{"notes-2.1.dmg"});
        const TestHttpsServer::Request second = m_server.requests().last();
        QCOMPARE(second.header("Range"), "bytes=" + QByteArray::number(cut) + '-');
        QCOMPARE(second.header("If-Range"), QByteArray("\"v1\""));
    }

    // Cancelled, a stalled download ends at once and keeps what arrived; the next continues it.
    void cancelKeepsWhatArrived()
    {
        const qint64 size = 3 * MiB;
        Route route = Route::generated(size);
        route.etag = "\"v1\"";
        route.ranges = true;
        route.stallAfter = MiB;
        m_server.route("/notes.dmg", route);
        m_options.stallTimeout = std::chrono::seconds(10);  // a cancel that does not stop shows
        UpdateInstaller &downloads = installer();
        Recorder progress;
        QCoro::Task<Outcome> running = downloads.download(appAt("notes", "2.1", m_server.url("/notes.dmg")), progress.callback());
        QTRY_VERIFY_WITH_TIMEOUT(!progress.steps().isEmpty(), 20000);  // the first MiB is on disk
        downloads.cancelDownloads("notes");
        QCOMPARE(errorOf(QCoro::waitFor(running)), "The download was stopped.");
        QCOMPARE(QFileInfo(m_options.locations.updatesFolder() + "/.notes-2.1.dmg.partial").size(), MiB);

        route.stallAfter.reset();
        m_server.route("/notes.dmg", route);
        QCOMPARE(errorOf(fetch()), QString());
        QCOMPARE(m_server.requests().last().header("Range"), QByteArray("bytes=1048576-"));
        QCOMPARE(TestFiles::read(installer().cachedDMG("notes", "2.1")), TestHttpsServer::generatedBytes(size));
    }

    // A download of an image already on its way joins it: one transfer, one result for both.
    void joinsTheRunningTransfer()
    {
        Route route = Route::generated(2 * MiB);
        route.chunkDelayMs = 5;
        m_server.route("/notes.dmg", route);
        const CatalogApp app = appAt("notes", "2.1", m_server.url("/notes.dmg"));
        UpdateInstaller &downloads = installer();
        QCoro::Task<Outcome> background = downloads.prefetch(app, {});
        QTRY_COMPARE(m_server.requestCount("/notes.dmg"), 1);
        QCoro::Task<Outcome> install = downloads.download(app, {});
        QCOMPARE(QCoro::waitFor(install).value(), downloads.cachedDMG("notes", "2.1"));
        QCOMPARE(QCoro::waitFor(background).value(), downloads.cachedDMG("notes", "2.1"));
        QCOMPARE(m_server.requestCount("/notes.dmg"), 1);
    }

    // Pre-downloads take turns on a few threads; an install's download never waits for one,
    // also when it joins a pre-download still waiting for its turn.
    void installsNeverWaitBehindPreDownloads()
    {
        Route stalled = Route::generated(MiB);
        stalled.stallAfter = 0;
        m_server.route("/stalled.dmg", stalled);
        m_server.route("/quick.dmg", Route::generated(1000));
        m_options.stallTimeout = std::chrono::seconds(30);
        UpdateInstaller &downloads = installer();
        std::vector<QCoro::Task<Outcome>> waiting;
        for (int i = 0; i < 4; ++i)
            waiting.push_back(downloads.prefetch(appAt(QString("busy%1").arg(i), "1.0", m_server.url("/stalled.dmg")), {}));
        QTRY_COMPARE(m_server.requestCount("/stalled.dmg"), 4);
        const CatalogApp queued = appAt("queued", "1.0", m_server.url("/quick.dmg"));
        QCoro::Task<Outcome> queuedPrefetch = downloads.prefetch(queued, {});

        QCOMPARE(errorOf(QCoro::waitFor(downloads.download(appAt("other", "1.0", m_server.url("/quick.dmg")), {}))), QString());
        QCOMPARE(errorOf(QCoro::waitFor(downloads.download(queued, {}))), QString());
        QCOMPARE(errorOf(QCoro::waitFor(queuedPrefetch)), QString());
        QCOMPARE(m_server.requestCount("/quick.dmg"), 2);
        for (const QCoro::Task<Outcome> &task : waiting)
            QVERIFY(!task.isReady());  // still waiting for the server: nothing went past them
        for (int i = 0; i < 4; ++i)
            downloads.cancelDownloads(QString("busy%1").arg(i));
        for (QCoro::Task<Outcome> &task : waiting)
            QCOMPARE(errorOf(QCoro::waitFor(task)), "The download was stopped.");
    }

    // What each way of clearing the cache removes; a download removes the other images of its
    // app only (the name up to the version's last "-"), never those of an app whose id is longer.
    void housekeeping_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("removed");
        const QStringList partial{".notes-2.0.dmg.partial", ".notes-2.0.dmg.resume"};
        QTest::newRow("uninstalled app") << "discard" << partial + QStringList{"notes-1.9.dmg", "notes-2.0-alpha.dmg",
                                                                               "notes-2.0.dmg", "notes-2.1.dmg", "notes-3.0.dmg"};
        QTest::newRow("catalogue loaded")
            << "prune" << partial + QStringList{"notes-1.9.dmg", "notes-2.0-alpha.dmg", "notes-2.0.dmg", "notes-pro-0.9.dmg"};
        QTest::newRow("download, version with a dash") << "notes 2.0-beta" << QStringList{"notes-2.0-alpha.dmg"};
        QTest::newRow("download, id with a dash") << "notes-pro 1.1" << QStringList{"notes-pro-0.9.dmg", "notes-pro-1.0.dmg"};
    }

    void housekeeping()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, removed);
        QStringList expected;
        for (const char *name : {".notes-2.0.dmg.partial", ".notes-2.0.dmg.resume", "calendar-1.0.dmg", "notes-1.9.dmg",
                                 "notes-2.0-alpha.dmg", "notes-2.0.dmg", "notes-2.0.txt", "notes-2.1.dmg", "notes-3.0.dmg",
                                 "notes-pro-0.9.dmg", "notes-pro-1.0.dmg", "notes-pro-2.0-beta.dmg"}) {
            TestFiles::write(installer().cacheDirectory() + "/" + name, "x");
            expected << name;
        }
        if (kind == "discard") {
            QCoro::waitFor(installer().discardImages("notes"));
        } else if (kind == "prune") {
            QCoro::waitFor(installer().pruneImages({appAt("notes", "2.1", {}), appAt("notes-pro", "1.0", {})}));
        } else {
            const QString appID = kind.section(' ', 0, 0), version = kind.section(' ', 1);
            m_server.route("/app.dmg", Route::generated(100));
            QCOMPARE(errorOf(fetchApp(appAt(appID, version, m_server.url("/app.dmg")))), QString());
            expected << appID + "-" + version + ".dmg";
        }
        for (const QString &name : removed)
            expected.removeOne(name);
        expected.sort();
        QCOMPARE(cacheEntries(), expected);
    }

    // At start, partial downloads of runs that have ended go unless they can be continued.
    void sweepsLeftovers()
    {
        const QString cache = installer().cacheDirectory();
        const QByteArray ended = "writer 0000-dead 1 1\n", live = "writer " + RunMarker::current().text() + '\n';
        const QList<QPair<QString, QByteArray>> files = {
            {".a-1.dmg.partial", "x"}, {".a-1.dmg.resume", "url u\nvalidator \n" + ended},  // nothing to resume
            {".b-1.dmg.partial", "x"}, {".b-1.dmg.resume", "url u\nvalidator \"e\"\n" + ended},
            {".c-1.dmg.partial", "x"}, {".c-1.dmg.resume", "url u\nvalidator \n" + live},  // still written
            {".d-1.dmg.resume", "url u\nvalidator \"e\"\n" + ended},                      // its partial is gone
            {".e-1.dmg.partial", "x"},                                                   // never described
            {".hidden", "x"}, {"f-1.dmg", "x"}};
        for (const auto &[name, content] : files)
            TestFiles::write(cache + "/" + name, content);
        QCoro::waitFor(UpdateInstaller::sweepDownloadLeftovers(m_options.locations));
        QCOMPARE(cacheEntries(), (QStringList{".b-1.dmg.partial", ".b-1.dmg.resume", ".c-1.dmg.partial",
                                              ".c-1.dmg.resume", ".hidden", "f-1.dmg"}));
    }

    void refusesUnusableNames()
    {
        m_server.route("/app.dmg", Route::generated(100));
        const QString text = "The app's name or version cannot be used as a file name.";
        for (const auto &[appID, version] : {std::pair<QString, QString>("../../escape", "1.0"), {"notes", ".."}, {"", "1.0"},
                                             {"notes", "1.0\x1b[2J"}}) {
            QCOMPARE(installer().cachedDMG(appID, version), QString());
            QCOMPARE(errorOf(fetchApp(appAt(appID, version, m_server.url("/app.dmg")))), text);
            const Outcome installed = QCoro::waitFor(
                installer().install(appAt(appID, version, {}), installer().cachedDMG(appID, version), {}));
            QCOMPARE(errorOf(installed), text);
        }
        QCOMPARE(m_server.requestCount("/app.dmg"), 0);
        QCOMPARE(QDir(m_root->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"data"}));
        QVERIFY(cacheEntries().isEmpty());
    }

private:
    // A fresh installer for each use, as the coordinator's is to the download it starts.
    UpdateInstaller &installer()
    {
        m_installer = std::make_unique<UpdateInstaller>(m_options);
        return *m_installer;
    }

    Outcome fetchApp(const CatalogApp &app, const ImagePin &pin = {}, UpdateInstaller::Progress progress = {})
    {
        return QCoro::waitFor(installer().fetch(app, pin, true, std::move(progress)));
    }

    // Notes 2.1 from /notes.dmg, unless another URL is given.
    Outcome fetch(const ImagePin &pin = {}, Recorder *progress = nullptr, const QUrl &url = {})
    {
        return fetchApp(appAt("notes", "2.1", url.isEmpty() ? m_server.url("/notes.dmg") : url), pin,
                        progress ? progress->callback() : nullptr);
    }

    QStringList cacheEntries() const
    {
        return QDir(m_options.locations.updatesFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    TestHttpsServer m_server;
    std::unique_ptr<QTemporaryDir> m_root;
    UpdateInstaller::Options m_options;
    std::unique_ptr<UpdateInstaller> m_installer;
    std::optional<SmallDisk> m_disk;
};

QTEST_GUILESS_MAIN(TestDmgDownload)
#include "tst_dmg_download.moc"
