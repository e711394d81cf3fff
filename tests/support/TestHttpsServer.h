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
        Headers headers;  // in the order received, names as sent

        // The first header of that name (case-insensitive), or a null array.
        QByteArray header(const QByteArray &name) const;
    };

    struct Route {
        int status = 200;
        Headers headers;  // besides Content-Length and Connection, which the server writes
        QByteArray body;

        // A generated body of this many bytes, byte i being pattern[i % pattern.size()]; it is
        // produced chunk by chunk as the client reads, never held whole. Replaces `body`.
        std::optional<qint64> generatedSize;
        QByteArray pattern = defaultPattern();

        // No Content-Length: the body ends when the server closes the connection.
        bool omitContentLength = false;
        // Announce this Content-Length whatever the body's real size; a larger figure gives
        // a truncated body (the server closes after the real body).
        std::optional<qint64> announcedLength;
        // Wait this long between chunks of the body (64 KiB each).
        int chunkDelayMs = 0;
        // Sent as "ETag" when not empty.
        QByteArray etag;
        // Answer "Range: bytes=<first>-" with 206 and the rest of the body, when "If-Range"
        // is absent or names etag (otherwise 200 and the whole body); a first byte past the
        // end gives 416.
        bool ranges = false;
        // After this many bytes of the body (0: right after the head): send nothing more and
        // keep the connection open, or close it (a body cut short of its Content-Length).
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

    // Serves with the certificate the test authority issued for 127.0.0.1 and localhost, or
    // with one for the same names from an authority nobody trusts.
    explicit TestHttpsServer(bool trusted = true);
    ~TestHttpsServer();

    TestHttpsServer(const TestHttpsServer &) = delete;
    TestHttpsServer &operator=(const TestHttpsServer &) = delete;

    void route(const QString &path, Route route);

    // https://127.0.0.1:<port><path>
    QUrl url(const QString &path) const;

    // Every request whose headers arrived, in order.
    QList<Request> requests() const;
    qsizetype requestCount(const QString &path) const;
    void clearRequests();

    // The bytes a generated body of `size` bytes consists of (for comparing small ones).
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
