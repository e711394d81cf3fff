// The catalogue service against a real HTTPS server: what a download saves, every failure's
// fallback to the saved copy and then the built-in one, and whole-file writes of the cache.

#include "SmallDisk.h"
#include "TestCertificates.h"
#include "TestFiles.h"
#include "TestHttpsServer.h"

#include "catalog/CatalogJson.h"
#include "platform/AtomicFile.h"
#include "service/CatalogService.h"
#include "service/UnresolvedHosts.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QNetworkAccessManager>
#include <QPromise>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString endpointPath = "/api/apps.json";

// A catalogue of this edition; the padding goes into a name, so that the saved copy grows too.
QByteArray catalogJson(int version, qsizetype padding = 0)
{
    return "{\"version\":" + QByteArray::number(version) + ",\"updatedAt\":\"2025-03-01T09:30:00Z\",\"categories\":[{\"id\":"
           "\"c\",\"name\":\"Photo " + QByteArray(padding, '.') + "\",\"symbol\":\"s\"}],\"apps\":[]}";
}

// A file of content `old` dated `modified`, in a folder that is made.
void seed(const QString &path, const QByteArray &old, const QDateTime &modified = QDateTime::currentDateTimeUtc())
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    QVERIFY(file.flush()); // or closing would date the file now
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QStringList filesBeside(const QString &path) { return QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden); }

} // namespace

class CatalogServiceTest : public QObject {
    Q_OBJECT

    QNetworkAccessManager m_network;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestHttpsServer> m_server;

    CatalogService::Options options() const
    {
        CatalogService::Options o;
        o.endpoint = m_server->url(endpointPath);
        o.cacheFile = m_dir->filePath("VeltraneHub/catalog.json");
        o.extraCaFile = TestCertificates::caFile();
        return o;
    }

    using Prepared = QList<std::pair<Catalog, bool>>;  // each catalogue, and whether on a worker
    static CatalogService::Prepare recordInto(Prepared &prepared)
    {
        return [&prepared](const Catalog &catalog) {
            prepared.append({catalog, QThread::currentThread() != qApp->thread()});
        };
    }

    static void checkPrepared(const Prepared &prepared, const Catalog &returned)
    {
        QCOMPARE(prepared.size(), 1);
        QVERIFY(prepared.front().first == returned);
        QVERIFY(prepared.front().second);
    }

    // Checks on the way that the load hands the catalogue it returns to prepare, once, on a
    // worker thread: whatever the origin, a caller's preparation is never skipped.
    CatalogService::Result load(CatalogService::Options options)
    {
        CatalogService service(&m_network, std::move(options));
        Prepared prepared;
        CatalogService::Result result = QCoro::waitFor(service.load(recordInto(prepared)));
        checkPrepared(prepared, result.catalog);
        return result;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<TestHttpsServer>();
    }

    void downloadIsReturnedAndCached()
    {
        const QByteArray json = catalogJson(7, 2000);
        m_server->route(endpointPath, TestHttpsServer::Route::ok(json));
        auto o = options();
        o.maxBodyBytes = json.size(); // exactly the limit is still accepted
        CatalogService service(&m_network, o);
        QCoro::Task<CatalogService::Result> other = service.load({});  // two loads at once both succeed
        Prepared prepared;
        const auto result = QCoro::waitFor(service.load(recordInto(prepared)));
        checkPrepared(prepared, result.catalog);
        QCOMPARE(result.origin, CatalogService::Origin::network());
        QVERIFY(QCoro::waitFor(other).catalog == result.catalog);
        QVERIFY(result.catalog == CatalogJson::decode(json));
        QCOMPARE(TestFiles::read(o.cacheFile), CatalogJson::encode(result.catalog)); // re-encoded, not the bytes received
        QCOMPARE(m_server->requests().value(0).header("Accept"), QByteArray("application/json"));
    }

    void failuresFallBackToTheCache_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("logged"); // the failure's text, when it is fixed
        for (const char *failure : {"undecodable body", "body over the limit", "streamed body over the limit",
                                    "truncated body", "untrusted certificate", "authority not configured"})
            QTest::newRow(failure) << failure << QString();
        QTest::newRow("http 503") << "http 503" << "HTTP 503";
        QTest::newRow("timeout") << "timeout" << "The request timed out.";
    }

    void failuresFallBackToTheCache()
    {
        QFETCH(QString, failure);
        QFETCH(QString, logged);
        auto o = options();
        const QByteArray valid = catalogJson(9, 3000);
        auto route = TestHttpsServer::Route::ok(valid);
        if (failure.startsWith("http "))
            route = TestHttpsServer::Route::withStatus(failure.mid(5).toInt(), catalogJson(9));
        if (failure == "undecodable body")
            route = TestHttpsServer::Route::ok("{\"version\":9,\"categories\":[],\"apps\":[]}");
        if (failure.contains("over the limit"))
            o.maxBodyBytes = valid.size() - 1;
        route.omitContentLength = failure.startsWith("streamed");
        if (failure == "truncated body")
            route.announcedLength = valid.size() + 100;
        if (failure == "untrusted certificate") {
            m_server = std::make_unique<TestHttpsServer>(false);
            o.endpoint = m_server->url(endpointPath);
        }
        if (failure == "authority not configured")
            o.extraCaFile.clear();
        if (failure == "timeout") {
            route.stallAfter = 0;
            o.timeoutMs = 300;
        }
        m_server->route(endpointPath, route);
        const QDateTime modified(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
        seed(o.cacheFile, catalogJson(3), modified);
        // One critical message naming the failure; a timeout is not shown as a cancel.
        if (logged.isEmpty())
            QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^catalogue fetch failed: (?!.*canceled).+"));
        else
            QTest::ignoreMessage(QtCriticalMsg, qPrintable("catalogue fetch failed: " + logged));

        const auto result = load(o);
        QCOMPARE(result.origin, CatalogService::Origin::cache(modified));
        QCOMPARE(result.catalog.version, 3);
        QCOMPARE(TestFiles::read(o.cacheFile), catalogJson(3)); // a bad download is never written
    }

    // Offline, a name that does not resolve ends the fetch before any request (and its TLS),
    // unless a proxy is to resolve it, and is remembered for the icons; a name that resolves
    // again is forgotten.
    void unresolvedHostIsNotAsked()
    {
        auto o = options();
        o.endpoint = QUrl("https://catalogue.invalid/api/apps.json");
        seed(o.cacheFile, catalogJson(3));
        QSignalSpy requests(&m_network, &QNetworkAccessManager::finished);
        QTest::ignoreMessage(QtCriticalMsg, "catalogue fetch failed: Host catalogue.invalid not found");
        QCOMPARE(load(o).catalog.version, 3);
        QCOMPARE(requests.count(), 0);
        QVERIFY(UnresolvedHosts::contains("catalogue.invalid"));

        // Behind a proxy the name is the proxy's to resolve: the request goes out.
        qputenv("https_proxy", "http://127.0.0.1:1");
        const auto noProxy = qScopeGuard([] { qunsetenv("https_proxy"); });
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^catalogue fetch failed: (?!Host).+"));
        QCOMPARE(load(o).catalog.version, 3);
        QCOMPARE(requests.count(), 1);
        qunsetenv("https_proxy");

        UnresolvedHosts::record("localhost", false);
        m_server->route(endpointPath, TestHttpsServer::Route::ok(catalogJson(9)));
        o.endpoint = m_server->url(endpointPath);
        o.endpoint.setHost("localhost");
        QCOMPARE(load(o).catalog.version, 9);
        QVERIFY(!UnresolvedHosts::contains("localhost"));
    }

    // Offline with no usable saved copy: the catalogue built into the program (catalog.json in
    // resources/: edition 42, 16 apps), or an empty one. A bad saved copy stays on disk.
    // At launch the request waits for the window's first frame; nothing reaches the server
    // before.
    void heldRequestsWaitForTheirRelease()
    {
        m_server->route(endpointPath, TestHttpsServer::Route::ok(catalogJson(3)));
        CatalogService service(&m_network, options());
        QPromise<void> drawn;
        drawn.start();
        service.holdRequestsUntil(drawn.future());
        QCoro::Task<CatalogService::Result> loading = service.load({});
        QTest::qWait(200);
        QVERIFY(m_server->requests().isEmpty());
        drawn.finish();
        QCOMPARE(QCoro::waitFor(loading).origin, CatalogService::Origin::network());
        QCOMPARE(m_server->requests().size(), 1);
    }

    void fallsBackToTheBuiltInCopy()
    {
        m_server->route(endpointPath, TestHttpsServer::Route::withStatus(503));
        const QByteArray noDate = "{\"version\":3,\"categories\":[],\"apps\":[]}";
        // The saved copy, the built-in resource (empty: the default), the edition and apps loaded.
        for (const auto &[cached, resource, version, apps] :
             {std::tuple<QByteArray, QString, int, int>({}, {}, 42, 16), {noDate, {}, 42, 16}, {{}, ":/no/such/catalog.json", 1, 0}}) {
            auto o = options();
            QFile::remove(o.cacheFile);
            if (!resource.isEmpty())
                o.bundledResource = resource;
            if (!cached.isEmpty())
                seed(o.cacheFile, cached);
            const auto result = load(o);
            QCOMPARE(result.origin, CatalogService::Origin::bundled());
            QCOMPARE(int(result.catalog.version), version);
            QCOMPARE(int(result.catalog.apps.size()), apps);
            QCOMPARE(TestFiles::read(o.cacheFile), cached);
        }
    }

    void fullDiskKeepsTheCache()
    {
        auto o = options();
        o.cacheFile = m_dir->filePath("small/catalog.json");
        SmallDisk disk(m_dir->filePath("small"), "size=64k");
        if (!disk.mounted())
            QSKIP("not checked: a refresh on a full disk keeps the saved catalogue (mounting a small tmpfs needs root); "
                  "cacheWriteReplacesTheWholeFileOrNothing checks a write that the system cuts short");
        seed(o.cacheFile, catalogJson(3));
        QVERIFY(disk.fill(4096));
        m_server->route(endpointPath, TestHttpsServer::Route::ok(catalogJson(7, 30000)));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^catalogue not saved: .*" + QRegularExpression::escape(o.cacheFile)
                                                              + ".*" + QString::fromLocal8Bit(strerror(ENOSPC))));

        const auto result = load(o);
        QCOMPARE(result.origin, CatalogService::Origin::network());
        QCOMPARE(result.catalog.version, 7);
        QCOMPARE(TestFiles::read(o.cacheFile), catalogJson(3));
        QCOMPARE(filesBeside(o.cacheFile), QStringList({".filler", "catalog.json"}));
    }

    // A file-size limit cuts the write short the way a full disk does, without root. It
    // applies to the whole process, so it is set in a child.
    void cacheWriteReplacesTheWholeFileOrNothing()
    {
        const QString path = m_dir->filePath("plain/file.json");
        seed(path, "old");
        const AtomicFile::Result result = AtomicFile::write(path, "old content\n", 0600);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QVERIFY(!AtomicFile::write(m_dir->filePath("no/such/folder/file.json"), "x").ok());

        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing
            const rlimit limit {8192, 8192};
            ::_exit(::setrlimit(RLIMIT_FSIZE, &limit) == 0 && !AtomicFile::write(path, QByteArray(20000, 'n')).ok() ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the limited write did not fail");
        QCOMPARE(TestFiles::read(path), QByteArray("old content\n"));
        QCOMPARE(filesBeside(path), QStringList("file.json"));
    }
};

QTEST_GUILESS_MAIN(CatalogServiceTest)
#include "tst_catalog_service.moc"
