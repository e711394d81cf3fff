#include "TestCertificates.h"
#include "TestHttpsServer.h"

#include <QCoroNetworkReply>
#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

#include <QSslSocket>
#include <QTcpSocket>

// The test server itself: clients trusting the test authority get answers, others do not.
class TestHttpsServerTest : public QObject {
    Q_OBJECT

private:
    QNetworkAccessManager m_network;

    QNetworkReply *get(const QUrl &url, bool trustTestAuthority)
    {
        QNetworkRequest request(url);
        request.setSslConfiguration(trustTestAuthority ? TestCertificates::trustingClientConfiguration()
                                                        : QSslConfiguration::defaultConfiguration());
        request.setRawHeader("X-Probe", "yes");
        return m_network.get(request);
    }

    // Waits for the reply, returning its body; the reply keeps its error and status.
    QByteArray finish(QNetworkReply *reply)
    {
        return QCoro::waitFor([](QNetworkReply *r) -> QCoro::Task<QByteArray> {
            co_await r;
            co_return r->readAll();
        }(reply));
    }

private Q_SLOTS:
    void trustingClientGetsTheRoute()
    {
        TestHttpsServer server;
        server.route(QStringLiteral("/hello"), TestHttpsServer::Route::ok("{\"hi\":1}"));

        std::unique_ptr<QNetworkReply> reply(get(server.url(QStringLiteral("/hello?x=1")), true));
        const QByteArray body = finish(reply.get());

        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        QCOMPARE(body, QByteArray("{\"hi\":1}"));
        QCOMPARE(server.requestCount(QStringLiteral("/hello")), 1);
        const auto request = server.requests().constFirst();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QByteArray("/hello?x=1"));
        QCOMPARE(request.header("x-probe"), QByteArray("yes"));
    }

    void untrustingClientFailsWithTlsError()
    {
        TestHttpsServer server;
        server.route(QStringLiteral("/hello"), TestHttpsServer::Route::ok("x"));

        std::unique_ptr<QNetworkReply> reply(get(server.url(QStringLiteral("/hello")), false));
        QList<QSslError> errors;
        connect(reply.get(), &QNetworkReply::sslErrors, this, [&](const QList<QSslError> &e) { errors = e; });
        finish(reply.get());

        QCOMPARE(reply->error(), QNetworkReply::SslHandshakeFailedError);
        QVERIFY(!errors.isEmpty());
        QCOMPARE(server.requests().size(), 0);
    }

    void certificateFromAnotherAuthorityIsRefused()
    {
        TestHttpsServer server(TestHttpsServer::untrustedIdentity());
        server.route(QStringLiteral("/hello"), TestHttpsServer::Route::ok("x"));

        std::unique_ptr<QNetworkReply> reply(get(server.url(QStringLiteral("/hello")), true));
        finish(reply.get());

        QCOMPARE(reply->error(), QNetworkReply::SslHandshakeFailedError);
        QCOMPARE(server.requests().size(), 0);
    }

    void bodyShapes_data()
    {
        QTest::addColumn<TestHttpsServer::Route>("route");
        QTest::addColumn<QByteArray>("expectedBody");
        QTest::addColumn<bool>("expectError");

        const QByteArray big = TestHttpsServer::generatedBytes(3 * 1024 * 1024 + 17);
        QTest::newRow("generated") << TestHttpsServer::Route::generated(big.size()) << big << false;
        auto closeDelimited = TestHttpsServer::Route::ok("until close");
        closeDelimited.omitContentLength = true;
        QTest::newRow("close-delimited") << closeDelimited << QByteArray("until close") << false;
        auto truncated = TestHttpsServer::Route::ok("short");
        truncated.announcedLength = 1000;
        QTest::newRow("truncated") << truncated << QByteArray("short") << true;
        QTest::newRow("missing route") << TestHttpsServer::Route() << QByteArray("no route") << true;
        auto slow = TestHttpsServer::Route::generated(300 * 1024);
        slow.delayMs = 20;
        slow.chunkDelayMs = 5;
        QTest::newRow("delayed") << slow << TestHttpsServer::generatedBytes(300 * 1024) << false;
    }

    void bodyShapes()
    {
        QFETCH(TestHttpsServer::Route, route);
        QFETCH(QByteArray, expectedBody);
        QFETCH(bool, expectError);

        TestHttpsServer server;
        const bool routed = QByteArray(QTest::currentDataTag()) != "missing route";
        if (routed)
            server.route(QStringLiteral("/body"), route);

        std::unique_ptr<QNetworkReply> reply(get(server.url(QStringLiteral("/body")), true));
        const QByteArray body = finish(reply.get());

        QCOMPARE(reply->error() != QNetworkReply::NoError, expectError);
        if (!expectError)
            QCOMPARE(body, expectedBody);
        if (!routed)
            QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);
    }

    // A client blocking its own thread still gets an answer: the server has its own thread.
    void answersABlockedThread()
    {
        TestHttpsServer server;
        server.route(QStringLiteral("/sync"), TestHttpsServer::Route::ok("pong"));

        QSslSocket socket;
        socket.setSslConfiguration(TestCertificates::trustingClientConfiguration());
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.port());
        QVERIFY2(socket.waitForEncrypted(10000), qPrintable(socket.errorString()));
        socket.write("GET /sync HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray answer;
        while (socket.waitForReadyRead(10000))
            answer += socket.readAll();
        answer += socket.readAll();
        QVERIFY(answer.startsWith("HTTP/1.1 200 OK\r\n"));
        QVERIFY(answer.endsWith("\r\n\r\npong"));
    }
};

QTEST_GUILESS_MAIN(TestHttpsServerTest)
#include "tst_test_https_server.moc"
