#include "TestCertificates.h"
#include "TestFiles.h"
#include "TestHttpsServer.h"

#include "platform/Locations.h"
#include "catalog/CatalogJson.h"
#include "service/CatalogService.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QTcpServer>
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
    if (json.size() < paddedTo)
        json.append(paddedTo - json.size(), ' ');
    return json;
}

Catalog decoded(const QByteArray &json)
{
    CatalogJson::DecodeError error;
    std::optional<Catalog> catalog = CatalogJson::decode(json, &error);
    if (!catalog)
        qFatal("test catalogue does not decode: %s", qPrintable(error.toString()));
    return *catalog;
}

// Collects the messages of the catalogue's logging category while it lives.
class CatalogLog {
public:
    struct Message {
        QtMsgType type;
        QString text;
    };

    CatalogLog() { s_previous = qInstallMessageHandler(&CatalogLog::handle); }
    ~CatalogLog() { qInstallMessageHandler(s_previous); }

    QList<Message> messages() const
    {
        QMutexLocker lock(&s_mutex);
        return std::exchange(s_messages, {});
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (QLatin1String(context.category) != QLatin1String("apps.veltrane.hub.catalog"))
            return s_previous(type, context, text);
        QMutexLocker lock(&s_mutex);
        s_messages.append({type, text});
    }

    static inline QtMessageHandler s_previous = nullptr;
    static inline QMutex s_mutex;
    static inline QList<Message> s_messages;
};

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
    std::unique_ptr<CatalogLog> m_log;

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
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<TestHttpsServer>();
        m_log = std::make_unique<CatalogLog>();
    }

    void cleanup()
    {
        m_log.reset();
        m_server.reset();
        m_dir.reset();
    }

    void downloadIsReturnedAndCached()
    {
        const QByteArray json = catalogJson(7);
        m_server->route(endpointPath, TestHttpsServer::Route::ok(json));

        const auto result = load(options(), &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::network());
        QCOMPARE(result.catalog, decoded(json));
        QCOMPARE(decoded(TestFiles::read(options().cacheFile)), result.catalog);
        QCOMPARE(TestFiles::read(options().cacheFile), CatalogJson::encode(result.catalog));  // re-encoded, not the bytes received
        QVERIFY(m_log->messages().isEmpty());

        const auto requests = m_server->requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.constFirst().method, QByteArray("GET"));
        QCOMPARE(requests.constFirst().path, endpointPath.toUtf8());
        QCOMPARE(requests.constFirst().header("Accept"), QByteArray("application/json"));
    }

    void bodyOfExactlyTheLimitIsAccepted()
    {
        const QByteArray json = catalogJson(8, 2000);
        m_server->route(endpointPath, TestHttpsServer::Route::ok(json));
        auto o = options();
        o.maxBodyBytes = json.size();

        QCOMPARE(load(o, &m_network).origin, CatalogService::Origin::network());
    }

    void cacheWriteFailureIsIgnored()
    {
        m_server->route(endpointPath, TestHttpsServer::Route::ok(catalogJson(7)));
        QFile blocker(m_dir->filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        auto o = options();
        o.cacheFile = blocker.fileName() + QStringLiteral("/catalog.json");

        const auto result = load(o, &m_network);
        QCOMPARE(result.origin, CatalogService::Origin::network());
        QCOMPARE(result.catalog, decoded(catalogJson(7)));
    }

    void failuresFallBackToTheCache_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("logged");  // the failure's text, when it is fixed
        for (const char *failure : {"http 404", "undecodable body", "body over the limit", "streamed body over the limit",
                                    "truncated body", "no server", "untrusted certificate", "authority not configured"})
            QTest::newRow(failure) << QString::fromLatin1(failure) << QString();
        QTest::newRow("http 503") << QStringLiteral("http 503") << QStringLiteral("HTTP 503");
        QTest::newRow("timeout") << QStringLiteral("timeout") << QStringLiteral("The request timed out.");
    }

    void failuresFallBackToTheCache()
    {
        QFETCH(QString, failure);
        QFETCH(QString, logged);

        auto o = options();
        const QByteArray valid = catalogJson(9, 3000);
        if (failure == QLatin1String("http 503")) {
            m_server->route(endpointPath, TestHttpsServer::Route::withStatus(503, catalogJson(9)));
        } else if (failure == QLatin1String("http 404")) {
            m_server->route(endpointPath, TestHttpsServer::Route::withStatus(404, catalogJson(9)));
        } else if (failure == QLatin1String("undecodable body")) {
            m_server->route(endpointPath, TestHttpsServer::Route::ok("{\"version\":9,\"categories\":[],\"apps\":[]}"));
        } else if (failure == QLatin1String("body over the limit")) {
            m_server->route(endpointPath, TestHttpsServer::Route::ok(valid));
            o.maxBodyBytes = valid.size() - 1;
        } else if (failure == QLatin1String("streamed body over the limit")) {
            auto route = TestHttpsServer::Route::ok(valid);
            route.omitContentLength = true;
            m_server->route(endpointPath, route);
            o.maxBodyBytes = valid.size() - 1;
        } else if (failure == QLatin1String("truncated body")) {
            auto route = TestHttpsServer::Route::ok(valid);
            route.announcedLength = valid.size() + 100;
            m_server->route(endpointPath, route);
        } else if (failure == QLatin1String("no server")) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            o.endpoint.setPort(closed.serverPort());
        } else if (failure == QLatin1String("untrusted certificate")) {
            m_server = std::make_unique<TestHttpsServer>(TestHttpsServer::untrustedIdentity());
            m_server->route(endpointPath, TestHttpsServer::Route::ok(valid));
            o.endpoint = m_server->url(endpointPath);
        } else if (failure == QLatin1String("authority not configured")) {
            m_server->route(endpointPath, TestHttpsServer::Route::ok(valid));
            o.extraCaFile.clear();
        } else if (failure == QLatin1String("timeout")) {
            auto route = TestHttpsServer::Route::ok(valid);
            route.hang = true;
            m_server->route(endpointPath, route);
            o.timeoutMs = 300;
        }
        const QByteArray cached = catalogJson(3);
        const QDateTime modified = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
        seedCache(o.cacheFile, cached, modified);

        const auto result = load(o, &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::cache(modified));
        QCOMPARE(result.catalog, decoded(cached));
        QCOMPARE(TestFiles::read(o.cacheFile), cached);  // a bad download is never written
        const auto messages = m_log->messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.constFirst().type, QtCriticalMsg);
        QVERIFY2(messages.constFirst().text.startsWith(QLatin1String("catalogue fetch failed: ")),
                 qPrintable(messages.constFirst().text));
        QVERIFY(messages.constFirst().text.size() > QLatin1String("catalogue fetch failed: ").size());
        if (!logged.isEmpty())
            QCOMPARE(messages.constFirst().text, QStringLiteral("catalogue fetch failed: ") + logged);
        QVERIFY(!messages.constFirst().text.contains(QLatin1String("canceled")));
    }

    void noNetworkNoCacheGivesTheBundledCopy()
    {
        m_server->route(endpointPath, TestHttpsServer::Route::withStatus(500));

        const auto result = load(options(), &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::bundled());
        QCOMPARE(result.catalog, CatalogService::bundled());
        QVERIFY(!CatalogService::bundled().categories.isEmpty());  // the resource is built in
        QVERIFY(!QFile::exists(options().cacheFile));
    }

    void invalidCacheGivesTheBundledCopyAndIsKept()
    {
        m_server->route(endpointPath, TestHttpsServer::Route::withStatus(503));
        const QByteArray invalid = "{\"version\":3,\"categories\":[],\"apps\":[]}";  // no updatedAt
        seedCache(options().cacheFile, invalid, QDateTime::currentDateTimeUtc());

        const auto result = load(options(), &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::bundled());
        QCOMPARE(result.catalog, CatalogService::bundled());
        QCOMPARE(TestFiles::read(options().cacheFile), invalid);
    }

    void missingBundledResourceGivesAnEmptyCatalogue()
    {
        m_server->route(endpointPath, TestHttpsServer::Route::withStatus(503));
        auto o = options();
        o.bundledResource = QStringLiteral(":/no/such/catalog.json");
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);

        const auto result = load(o, &m_network);

        QCOMPARE(result.origin, CatalogService::Origin::bundled());
        QCOMPARE(result.catalog.version, 1);
        QVERIFY(result.catalog.categories.isEmpty());
        QVERIFY(result.catalog.apps.isEmpty());
        QVERIFY(result.catalog.updatedAt >= before);
    }

    void overlappingLoadsBothSucceed()
    {
        m_server->route(endpointPath, TestHttpsServer::Route::ok(catalogJson(11)));
        CatalogService service(&m_network, options());

        QCoro::Task<CatalogService::Result> first = service.load();
        QCoro::Task<CatalogService::Result> second = service.load();
        QCOMPARE(QCoro::waitFor(first).origin, CatalogService::Origin::network());
        QCOMPARE(QCoro::waitFor(second).origin, CatalogService::Origin::network());
        QCOMPARE(decoded(TestFiles::read(options().cacheFile)), decoded(catalogJson(11)));
    }

    void constructionCreatesTheCacheFolder()
    {
        auto o = options();
        o.cacheFile = m_dir->filePath(QStringLiteral("a/b/catalog.json"));
        CatalogService service(&m_network, o);
        QVERIFY(QFileInfo(m_dir->filePath(QStringLiteral("a/b"))).isDir());

        CatalogService defaults(&m_network);
        QCOMPARE(defaults.cacheFile(), Locations::fromEnvironment().catalogCacheFile());
        QVERIFY(QFileInfo(Locations::fromEnvironment().hubDataFolder()).isDir());
    }
};

QTEST_GUILESS_MAIN(CatalogServiceTest)
#include "tst_catalog_service.moc"
