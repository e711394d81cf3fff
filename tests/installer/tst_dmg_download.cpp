#include "TestCertificates.h"
#include "TestFiles.h"
#include "TestHttpsServer.h"
#include "service/UpdateInstaller.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>

using Step = UpdateInstaller::Step;
using Route = TestHttpsServer::Route;

namespace {
constexpr qint64 MiB = 1024 * 1024;

struct Fetched {
    QString image;
    QString error;
};

CatalogApp appAt(const QString &appID, const QString &version, const QUrl &url)
{
    CatalogApp app;
    app.id = appID;
    app.version = version;
    app.downloadURL = url;
    return app;
}

Fetched fetched(const AppInstaller::Outcome<QString> &outcome)
{
    return outcome.ok() ? Fetched{outcome.value(), {}} : Fetched{{}, outcome.failure().description()};
}

// Progress reports arrive on the download's thread.
class Recorder {
public:
    UpdateInstaller::Progress callback()
    {
        return [this](const Step &step) {
            QMutexLocker lock(&m_mutex);
            m_steps << step;
        };
    }
    QList<Step> steps() const
    {
        QMutexLocker lock(&m_mutex);
        return m_steps;
    }

private:
    mutable QMutex m_mutex;
    QList<Step> m_steps;
};

} // namespace

class TestDmgDownload : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_options.locations.home = m_root->filePath("home");
        m_options.locations.dataHome = m_root->filePath("data");
        m_options.locations.systemApplications = m_root->filePath("Applications");
        m_options.locations.tempDir = m_root->filePath("tmp");
        QDir().mkpath(m_options.locations.tempDir);
        m_options.extraCaFile = TestCertificates::caFile();
        m_server.clearRequests();
    }

    void returnsACachedImageAtOnce()
    {
        const QString cached = installer().cachedDMG("notes", "2.1");
        TestFiles::write(cached, "cached image");
        m_server.route("/notes.dmg", Route::generated(10));
        Recorder progress;

        const Fetched fetched = fetch("notes", "2.1", "/notes.dmg", progress);
        QCOMPARE(fetched.image, cached);
        QCOMPARE(TestFiles::read(cached), QByteArray("cached image"));
        QCOMPARE(m_server.requestCount("/notes.dmg"), 0);
        QVERIFY(progress.steps().isEmpty());
    }

    void streamsIntoTheCache_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("announced");
        QTest::addColumn<QList<double>>("fractions");
        QTest::newRow("under 1 MiB") << qint64(1000) << true << QList<double>{1.0};
        QTest::newRow("empty") << qint64(0) << true << QList<double>{1.0};
        QTest::newRow("3.5 MiB") << 7 * MiB / 2 << true << QList<double>{1 / 3.5, 2 / 3.5, 3 / 3.5, 1.0};
        QTest::newRow("exactly 2 MiB") << 2 * MiB << true << QList<double>{0.5, 1.0, 1.0};
        QTest::newRow("no length") << 5 * MiB / 2 << false << QList<double>{0, 0, 1.0};
    }

    void streamsIntoTheCache()
    {
        QFETCH(qint64, size);
        QFETCH(bool, announced);
        QFETCH(QList<double>, fractions);
        Route route = Route::generated(size);
        route.omitContentLength = !announced;
        m_server.route("/notes.dmg", route);
        Recorder progress;

        const Fetched fetched = fetch("notes", "2.1", "/notes.dmg", progress);
        QCOMPARE(fetched.error, QString());
        QCOMPARE(fetched.image, installer().cachedDMG("notes", "2.1"));
        QCOMPARE(TestFiles::read(fetched.image), TestHttpsServer::generatedBytes(size));
        QList<double> reported;
        for (const Step &step : progress.steps())
            reported << step.fraction;
        QCOMPARE(reported, fractions);
        QVERIFY(temporaryFiles().isEmpty());
        QCOMPARE(m_server.requestCount("/notes.dmg"), 1);
    }

    void followsRedirects()
    {
        Route moved = Route::withStatus(302);
        moved.headers.append({"Location", m_server.url("/files/notes.dmg").toEncoded()});
        m_server.route("/notes.dmg", moved);
        m_server.route("/files/notes.dmg", Route::generated(5000));
        const Fetched fetched = fetch("notes", "2.1", "/notes.dmg");
        QCOMPARE(fetched.error, QString());
        QCOMPARE(TestFiles::read(fetched.image), TestHttpsServer::generatedBytes(5000));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");  // "" for any message
        QTest::newRow("404") << "404" << "Download failed (HTTP 404).";
        QTest::newRow("500 with a body") << "500" << "Download failed (HTTP 500).";
        QTest::newRow("body shorter than announced") << "truncated" << "";
        QTest::newRow("untrusted server") << "untrusted" << "";
        QTest::newRow("test authority not trusted") << "no extra authority" << "";
        QTest::newRow("plain http") << "http" << "";
        QTest::newRow("redirect to plain http") << "redirect to http" << "";
        QTest::newRow("unreadable extra authority") << "missing authority" << "";
    }

    void failures()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        std::unique_ptr<TestHttpsServer> untrusted;
        QUrl url = m_server.url("/notes.dmg");
        Route route = Route::generated(3 * MiB);
        if (kind == "404")
            route = Route::withStatus(404, "not here");
        if (kind == "500")
            route = Route::withStatus(500, QByteArray(2 * MiB, 'e'));
        if (kind == "truncated")
            route.announcedLength = 4 * MiB;
        if (kind == "untrusted") {
            untrusted = std::make_unique<TestHttpsServer>(TestHttpsServer::untrustedIdentity());
            untrusted->route("/notes.dmg", route);
            url = untrusted->url("/notes.dmg");
        }
        if (kind == "no extra authority")
            m_options.extraCaFile.clear();
        if (kind == "missing authority")
            m_options.extraCaFile = m_root->filePath("missing.pem");
        if (kind == "http")
            url.setScheme("http");
        if (kind == "redirect to http") {
            route = Route::withStatus(301);
            QUrl target = m_server.url("/other.dmg");
            target.setScheme("http");
            route.headers.append({"Location", target.toEncoded()});
        }
        m_server.route("/notes.dmg", route);
        Recorder progress;

        const Fetched fetched = fetchUrl("notes", "2.1", url, progress);
        QCOMPARE(fetched.image, QString());
        QVERIFY(!fetched.error.isEmpty());
        if (!message.isEmpty())
            QCOMPARE(fetched.error, message);
        QVERIFY(!QFileInfo::exists(installer().cachedDMG("notes", "2.1")));
        QVERIFY2(temporaryFiles().isEmpty(), qPrintable(temporaryFiles().join(' ')));
        for (const Step &step : progress.steps())
            QVERIFY(step.fraction < 1.0);  // never reported as complete
        QCOMPARE(m_server.requestCount("/other.dmg"), 0);
    }

    void prunesOtherVersionsOfTheSameApp_data()
    {
        QTest::addColumn<QString>("appID");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        const QStringList many = {"notes-1.9.dmg", "notes-2.0.dmg", "notes-2.0-alpha.dmg", "notes-pro-1.0.dmg",
                                  "notes-pro-2.0-beta.dmg", "calendar-1.0.dmg", "notes-2.0.txt"};
        QTest::newRow("plain version") << "notes" << "2.1" << many
                                       << QStringList{"calendar-1.0.dmg", "notes-2.0-alpha.dmg", "notes-2.0.txt",
                                                      "notes-2.1.dmg", "notes-pro-1.0.dmg", "notes-pro-2.0-beta.dmg"};
        QTest::newRow("version with a dash") << "notes" << "2.0-beta" << many
                                             << QStringList{"calendar-1.0.dmg", "notes-1.9.dmg", "notes-2.0-beta.dmg",
                                                            "notes-2.0.dmg", "notes-2.0.txt", "notes-pro-1.0.dmg",
                                                            "notes-pro-2.0-beta.dmg"};
        QTest::newRow("id with a dash") << "notes-pro" << "1.1" << many
                                        << QStringList{"calendar-1.0.dmg", "notes-1.9.dmg", "notes-2.0-alpha.dmg",
                                                       "notes-2.0.dmg", "notes-2.0.txt", "notes-pro-1.1.dmg",
                                                       "notes-pro-2.0-beta.dmg"};
        QTest::newRow("same version again") << "notes" << "2.1" << QStringList{"notes-2.1.dmg"}
                                            << QStringList{"notes-2.1.dmg"};
    }

    void prunesOtherVersionsOfTheSameApp()
    {
        QFETCH(QString, appID);
        QFETCH(QString, version);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        const QString cache = installer().cacheDirectory();
        for (const QString &name : before)
            TestFiles::write(cache + "/" + name, "old");
        m_server.route("/app.dmg", Route::generated(100));
        // A cached copy of this very version is returned as it is, so remove it first.
        QFile::remove(installer().cachedDMG(appID, version));

        QCOMPARE(fetch(appID, version, "/app.dmg").error, QString());
        QCOMPARE(QDir(cache).entryList(QDir::Files | QDir::Hidden, QDir::Name), after);
    }

    void refusesUnusableNames_data()
    {
        QTest::addColumn<QString>("appID");
        QTest::addColumn<QString>("version");
        QTest::newRow("parent folder") << "../../escape" << "1.0";
        QTest::newRow("slash in version") << "notes" << "1.0/../../x";
        QTest::newRow("dot") << "." << "1.0";
        QTest::newRow("dot dot version") << "notes" << "..";
        QTest::newRow("hidden") << ".notes" << "1.0";
        QTest::newRow("empty id") << "" << "1.0";
        QTest::newRow("empty version") << "notes" << "";
        QTest::newRow("newline") << "notes\nx" << "1.0";
        QTest::newRow("NUL") << QString("notes") + QChar(0) + "x" << "1.0";
        QTest::newRow("escape character") << "notes" << "1.0\x1b[2J";
    }

    void refusesUnusableNames()
    {
        QFETCH(QString, appID);
        QFETCH(QString, version);
        m_server.route("/app.dmg", Route::generated(100));
        const QString text = "The app's name or version cannot be used as a file name.";

        QCOMPARE(installer().cachedDMG(appID, version), QString());
        QCOMPARE(fetch(appID, version, "/app.dmg").error, text);
        QCOMPARE(m_server.requestCount("/app.dmg"), 0);
        const AppInstaller::Outcome<QString> installed = QCoro::waitFor(
            UpdateInstaller(m_options).install(appAt(appID, version, {}), installer().cachedDMG(appID, version), {}));
        QVERIFY(!installed.ok());
        QCOMPARE(installed.failure().description(), text);
        QCOMPARE(QDir(m_root->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"data", "tmp"}));
        QVERIFY(QDir(installer().cacheDirectory()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

private:
    // A fresh installer for each use, as the coordinator's is to the download it starts.
    UpdateInstaller &installer()
    {
        m_installer = std::make_unique<UpdateInstaller>(m_options);
        return *m_installer;
    }

    Fetched fetchUrl(const QString &appID, const QString &version, const QUrl &url, Recorder &progress)
    {
        return fetched(QCoro::waitFor(installer().download(appAt(appID, version, url), progress.callback())));
    }

    Fetched fetch(const QString &appID, const QString &version, const QString &path, Recorder &progress)
    {
        return fetchUrl(appID, version, m_server.url(path), progress);
    }

    Fetched fetch(const QString &appID, const QString &version, const QString &path)
    {
        Recorder progress;
        return fetch(appID, version, path, progress);
    }

    QStringList temporaryFiles() const
    {
        return QDir(m_options.locations.tempDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    TestHttpsServer m_server;
    std::unique_ptr<QTemporaryDir> m_root;
    UpdateInstaller::Options m_options;
    std::unique_ptr<UpdateInstaller> m_installer;
};

QTEST_GUILESS_MAIN(TestDmgDownload)
#include "tst_dmg_download.moc"
