#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

// A real HTTPS/1.1 server on 127.0.0.1 (random port) for network tests. It runs on its own
// thread, so code under test may block while it waits for an answer. Every answer carries
// "Connection: close"; paths without a route answer 404. Every member is thread-safe.
class TestHttpsServer {
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    static QByteArray defaultPattern() { return QByteArrayLiteral("0123456789abcdefghijklmnopqrstuvwxyz"); }

    struct Request {
        QByteArray path;  // as sent, query included
        Headers headers;
        QByteArray header(const QByteArray &name) const;  // the first of that name, any case; or null
    };

    struct Route {
        int status = 200;
        Headers headers;  // besides Content-Length and Connection, which the server writes
        QByteArray body;

        // Replaces `body`: byte i is pattern[i % pattern.size()], made as the client reads.
        std::optional<qint64> generatedSize;
        QByteArray pattern = defaultPattern();

        bool omitContentLength = false;          // the body ends when the server closes
        std::optional<qint64> announcedLength;   // whatever the real size; larger: a truncated body
        int chunkDelayMs = 0;                    // between chunks of 64 KiB
        QByteArray etag;
        // "Range: bytes=<first>-" gets 206 and the rest (416 past the end) unless "If-Range"
        // names another etag, which gets 200 and the whole body.
        bool ranges = false;
        // After this many bytes of the body (0: right after the head), send nothing more and
        // keep the connection open, or close it.
        std::optional<qint64> stallAfter;
        std::optional<qint64> dropAfter;

        static Route ok(const QByteArray &body) { return withStatus(200, body); }
        static Route withStatus(int status, const QByteArray &body = {})
        {
            Route r;
            r.status = status;
            r.body = body;
            return r;
        }
        static Route generated(qint64 size)
        {
            Route r;
            r.generatedSize = size;
            return r;
        }
    };

    // With the test authority's certificate for 127.0.0.1, or one from an authority nobody trusts.
    explicit TestHttpsServer(bool trusted = true);
    ~TestHttpsServer();

    TestHttpsServer(const TestHttpsServer &) = delete;
    TestHttpsServer &operator=(const TestHttpsServer &) = delete;

    void route(const QString &path, Route route);

    QUrl url(const QString &path) const;
    QList<Request> requests() const;  // those whose headers arrived, in order
    qsizetype requestCount(const QString &path) const;
    void clearRequests();

    static QByteArray generatedBytes(qint64 size, const QByteArray &pattern = defaultPattern());

private:
    class Worker;
    class Connection;
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<class QThread> m_thread;
    Worker *m_worker = nullptr;  // lives on m_thread
    quint16 m_port = 0;
};
