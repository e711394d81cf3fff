#include "SmallDisk.h"
#include "TestCertificates.h"
#include "TestFiles.h"
#include "TestHttpsServer.h"

#include "catalog/CatalogJson.h"
#include "service/CatalogService.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString endpointPath = QStringLiteral("/api/apps.json");

QByteArray catalogJson(int version, qsizetype paddedTo = 0)
{
    QByteArray json = "{\"version\":" + QByteArray::number(version)
                      + ",\"updatedAt\":\"2025-03-01T09:30:00Z\",\"categories\":["
                        "{\"id\":\"photo\",\"name\":\"Photography\",\"symbol\":\"photo\"},"
                        "{\"id\":\"audio\",\"name\":\"Music & Audio\",\"symbol\":\"music.note\"}],"
                        "\"apps\":[{\"id\":\"photolab\",\"name\":\"Photo Lab\",\"tagline\":\"Edit photos\","
                        "\"description\":\"Non-destructive editing.\",\"version\":\"2.4.1\","
                        "\"price\":{\"amount\":4.99,\"currency\":\"EUR\"},\"category\":\"photo\","
                        "\"bundleId\":\"app.veltrane.photolab\",\"minimumSystemVersion\":\"13.0\","
                        "\"screenshots\":[],\"download\":\"https://hub.veltrane.app/photolab.dmg\","
                        "\"featured\":true,\"updated\":\"2025-02-18T14:05:00Z\"}]}";
    if (json.size() < paddedTo)  // a longer description, so that the saved copy grows too
        json.replace("editing.", "editing." + QByteArray(paddedTo - json.size(), '.'));
    return json;
}

// The version of the catalogue saved at path; -1 if there is none that decodes.
qint64 savedVersion(const QString &path)
{
    const std::optional<Catalog> catalog = CatalogJson::decode(TestFiles::read(path));
    return catalog ? catalog->version : -1;
}

// The messages of the catalogue's logging category, from whichever thread logged them.
struct Message {
    QtMsgType type;
    QString text;
};
QMutex logMutex;
QList<Message> logged;
QtMessageHandler otherMessages = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (QLatin1String(context.category) != QLatin1String("apps.veltrane.hub.catalog"))
        return otherMessages(type, context, text);
    QMutexLocker lock(&logMutex);
    logged.append({type, text});
}

// The messages logged since the last call.
QList<Message> loggedMessages()
{
    QMutexLocker lock(&logMutex);
    return std::exchange(logged, {});
}

} // namespace

char *toString(const CatalogService::Origin &origin)
{
    static const char *const kinds[] = {"cache", "network", "bundled"};
    return QTest::toString(QStringLiteral("%1 %2").arg(QLatin1String(kinds[int(origin.kind)]),
                                                       origin.cachedAt.toString(Qt::ISODateWithMs)));
}

class CatalogServiceTest : public QObject {
    Q_OBJECT

private:
    QNetworkAccessManager m_network;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestHttpsServer> m_server;

    CatalogService::Options options() const
    {
        CatalogService::Options o;
        o.endpoint = m_server->url(endpointPath);
        o.cacheFile = m_dir->filePath(QStringLiteral("VeltraneHub/catalog.json"));
        o.extraCaFile = TestCertificates::caFile();
        return o;
    }

    static CatalogService::Result load(CatalogService::Options options, QNetworkAccessManager *network)
    {
        CatalogService service(network, std::move(options));
        return QCoro::waitFor(service.load());
    }

    // A cache file from an earlier launch, dated `modified`.
    void seedCache(const QString &path, const QByteArray &content, const QDateTime &modified)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        QVERIFY(file.flush());  // or closing would date the file now
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }

private Q_SLOTS:
    void initTestCase() { otherMessages = qInstallMessageHandler(collect); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<TestHttpsServer>();
        loggedMessages();  // none left over from an earlier test's background work
    }

    void cleanup()
    {
        m_server.reset();
        m_dir.reset();
    }

    void downloadIsReturnedAndCached()
    {
        const QByteArray json = catalogJson(7, 2000);
        m_server->route(endpointPath, TestHttpsServer::Route::ok(json));
        auto o = options();
        o.maxBodyBytes = json.size();  // exactly the limit is still accepted

        const auto result = load(o, &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::network());
        QCOMPARE(result.catalog.version, 7);
        QCOMPARE(result.catalog.apps.constFirst().name, QStringLiteral("Photo Lab"));
        QCOMPARE(TestFiles::read(o.cacheFile), CatalogJson::encode(result.catalog));  // re-encoded, not the bytes received
        QVERIFY(loggedMessages().isEmpty());

        const auto requests = m_server->requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.constFirst().method, QByteArray("GET"));
        QCOMPARE(requests.constFirst().path, endpointPath.toUtf8());
        QCOMPARE(requests.constFirst().header("Accept"), QByteArray("application/json"));
    }

    // A full disk must not cost the saved copy: it stays whole, and the failure is only logged.
    void fullDiskKeepsTheCache()
    {
        auto o = options();
        o.cacheFile = m_dir->filePath(QStringLiteral("small/catalog.json"));
        SmallDisk disk(m_dir->filePath(QStringLiteral("small")));
        if (!disk.mounted())
            QSKIP("not checked: a refresh on a full disk keeps the saved catalogue (mounting a small tmpfs needs root)");
        const QByteArray cached = catalogJson(3);
        seedCache(o.cacheFile, cached, QDateTime::currentDateTimeUtc());
        QVERIFY(disk.fill(4096));
        m_server->route(endpointPath, TestHttpsServer::Route::ok(catalogJson(7, 30000)));

        const auto result = load(o, &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::network());
        QCOMPARE(result.catalog.version, 7);
        QCOMPARE(TestFiles::read(o.cacheFile), cached);
        const auto messages = loggedMessages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.constFirst().type, QtWarningMsg);
        QVERIFY2(messages.constFirst().text.startsWith(QLatin1String("catalogue not saved: ")), qPrintable(messages.constFirst().text));
        QCOMPARE(QDir(QFileInfo(o.cacheFile).path()).entryList(QDir::Files), QStringList{QStringLiteral("catalog.json")});
    }

    void failuresFallBackToTheCache_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("logged");  // the failure's text, when it is fixed
        for (const char *failure : {"undecodable body", "body over the limit", "streamed body over the limit",
                                    "truncated body", "untrusted certificate", "authority not configured"})
            QTest::newRow(failure) << QString::fromLatin1(failure) << QString();
        QTest::newRow("http 503") << QStringLiteral("http 503") << QStringLiteral("HTTP 503");
        QTest::newRow("http 404") << QStringLiteral("http 404") << QStringLiteral("HTTP 404");
        QTest::newRow("timeout") << QStringLiteral("timeout") << QStringLiteral("The request timed out.");
    }

    void failuresFallBackToTheCache()
    {
        QFETCH(QString, failure);
        QFETCH(QString, logged);

        auto o = options();
        const QByteArray valid = catalogJson(9, 3000);
        auto route = TestHttpsServer::Route::ok(valid);
        if (failure.startsWith(QLatin1String("http "))) {
            route = TestHttpsServer::Route::withStatus(failure.mid(5).toInt(), catalogJson(9));
        } else if (failure == QLatin1String("undecodable body")) {
            route = TestHttpsServer::Route::ok("{\"version\":9,\"categories\":[],\"apps\":[]}");
        } else if (failure == QLatin1String("body over the limit")) {
            o.maxBodyBytes = valid.size() - 1;
        } else if (failure == QLatin1String("streamed body over the limit")) {
            route.omitContentLength = true;
            o.maxBodyBytes = valid.size() - 1;
        } else if (failure == QLatin1String("truncated body")) {
            route.announcedLength = valid.size() + 100;
        } else if (failure == QLatin1String("untrusted certificate")) {
            m_server = std::make_unique<TestHttpsServer>(TestHttpsServer::untrustedIdentity());
            o.endpoint = m_server->url(endpointPath);
        } else if (failure == QLatin1String("authority not configured")) {
            o.extraCaFile.clear();
        } else if (failure == QLatin1String("timeout")) {
            route.hang = true;
            o.timeoutMs = 300;
        }
        m_server->route(endpointPath, route);
        const QByteArray cached = catalogJson(3);
        const QDateTime modified = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
        seedCache(o.cacheFile, cached, modified);

        const auto result = load(o, &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::cache(modified));
        QCOMPARE(result.catalog.version, 3);
        QCOMPARE(TestFiles::read(o.cacheFile), cached);  // a bad download is never written
        const auto messages = loggedMessages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.constFirst().type, QtCriticalMsg);
        const QString &text = messages.constFirst().text;
        QVERIFY2(text.startsWith(QLatin1String("catalogue fetch failed: ")) && text.size() > 24, qPrintable(text));
        if (!logged.isEmpty())
            QCOMPARE(text, QStringLiteral("catalogue fetch failed: ") + logged);
        QVERIFY(!text.contains(QLatin1String("canceled")));
    }

    // Offline with no usable saved copy: the catalogue built into the program (catalog.json
    // in resources/: edition 42, 16 apps, Photo Lab first). A bad saved copy stays on disk.
    void fallsBackToTheBuiltInCopy_data()
    {
        QTest::addColumn<QByteArray>("cached");
        QTest::newRow("no saved copy") << QByteArray();
        QTest::newRow("saved copy without updatedAt") << QByteArray("{\"version\":3,\"categories\":[],\"apps\":[]}");
    }

    void fallsBackToTheBuiltInCopy()
    {
        QFETCH(QByteArray, cached);
        m_server->route(endpointPath, TestHttpsServer::Route::withStatus(503));
        if (!cached.isEmpty())
            seedCache(options().cacheFile, cached, QDateTime::currentDateTimeUtc());

        const auto result = load(options(), &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::bundled());
        QCOMPARE(result.catalog.version, 42);
        QCOMPARE(result.catalog.apps.size(), 16);
        QCOMPARE(result.catalog.apps.constFirst().id, QStringLiteral("photolab"));
        QCOMPARE(QFile::exists(options().cacheFile), !cached.isEmpty());
        if (!cached.isEmpty())
            QCOMPARE(TestFiles::read(options().cacheFile), cached);
    }

    void missingBuiltInCopyGivesAnEmptyCatalogue()
    {
        m_server->route(endpointPath, TestHttpsServer::Route::withStatus(503));
        auto o = options();
        o.bundledResource = QStringLiteral(":/no/such/catalog.json");
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);

        const auto result = load(o, &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::bundled());
        QCOMPARE(result.catalog.version, 1);
        QVERIFY(result.catalog.categories.isEmpty() && result.catalog.apps.isEmpty());
        QVERIFY(result.catalog.updatedAt >= before);
    }

    void overlappingLoadsBothSucceed()
    {
        m_server->route(endpointPath, TestHttpsServer::Route::ok(catalogJson(11)));
        CatalogService service(&m_network, options());

        QCoro::Task<CatalogService::Result> first = service.load();
        QCoro::Task<CatalogService::Result> second = service.load();
        QCOMPARE(QCoro::waitFor(first).catalog.version, 11);
        QCOMPARE(QCoro::waitFor(second).catalog.version, 11);
        QCOMPARE(savedVersion(options().cacheFile), 11);
        QVERIFY(loggedMessages().isEmpty());
    }

    void constructionCreatesTheCacheFolder()
    {
        auto o = options();
        o.cacheFile = m_dir->filePath(QStringLiteral("a/b/catalog.json"));
        CatalogService service(&m_network, o);
        QVERIFY(QFileInfo(m_dir->filePath(QStringLiteral("a/b"))).isDir());

        // The tests' data folder is XDG_DATA_HOME inside the build tree.
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        QVERIFY2(data.contains(QLatin1String("test-home")), "run by ctest, which points XDG_DATA_HOME into the build tree");
        QDir(data + QStringLiteral("/VeltraneHub")).removeRecursively();
        CatalogService defaults(&m_network);
        QCOMPARE(defaults.cacheFile(), data + QStringLiteral("/VeltraneHub/catalog.json"));
        QVERIFY(QFileInfo(data + QStringLiteral("/VeltraneHub")).isDir());
    }
};

QTEST_GUILESS_MAIN(CatalogServiceTest)
#include "tst_catalog_service.moc"
