#include "TestHttpsServer.h"

#include "TestCertificates.h"
#include "TestFiles.h"

#include <QHash>
#include <QMutex>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QThread>
#include <QTimer>

namespace {

constexpr qint64 chunkSize = 64 * 1024;
constexpr qint64 maxBuffered = 4 * chunkSize;

QByteArray patternSlice(const QByteArray &pattern, qint64 offset, qint64 size)
{
    QByteArray out(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        out[i] = pattern[(offset + i) % pattern.size()];
    return out;
}

QByteArray pathWithoutQuery(const QByteArray &target)
{
    const qsizetype q = target.indexOf('?');
    return q < 0 ? target : target.left(q);
}

} // namespace

struct TestHttpsServer::Shared {
    QMutex mutex;
    QHash<QString, Route> routes;
    QList<Request> requests;

    Route answer(const Request &request)
    {
        QMutexLocker lock(&mutex);
        requests.append(request);
        return routes.value(QString::fromUtf8(pathWithoutQuery(request.path)), Route::withStatus(404, "no route"));
    }
};

// One client connection: reads one request, writes one answer, closes.
class TestHttpsServer::Connection : public QObject {
public:
    Connection(QSslSocket *socket, std::shared_ptr<Shared> shared, QObject *parent)
        : QObject(parent), m_socket(socket), m_shared(std::move(shared))
    {
        socket->setParent(this);
        connect(socket, &QSslSocket::readyRead, this, &Connection::readRequest);
        connect(socket, &QSslSocket::disconnected, this, &QObject::deleteLater);
        // A client that gave up, or the client closing after the answer.
        connect(socket, &QSslSocket::errorOccurred, this, &QObject::deleteLater);
        connect(socket, &QSslSocket::bytesWritten, this, [this] {
            if (m_streaming)
                pump();
        });
        if (socket->bytesAvailable() > 0)  // arrived with the end of the handshake
            readRequest();
    }

private:
    void readRequest()
    {
        if (m_answered)
            return void(m_socket->readAll());
        m_buffer += m_socket->readAll();
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        m_answered = true;
        m_request = parse(m_buffer.left(end));
        m_route = m_shared->answer(m_request);
        respond();
    }

    static Request parse(const QByteArray &head)
    {
        Request request;
        const QList<QByteArray> lines = head.split('\n');
        request.path = lines.value(0).trimmed().split(' ').value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        return request;
    }

    void respond()
    {
        int status = m_route.status;
        m_end = m_route.generatedSize.value_or(m_route.body.size());
        QByteArray head;
        const QByteArray range = m_request.header("Range"), ifRange = m_request.header("If-Range");
        if (m_route.ranges && status == 200 && range.startsWith("bytes=") && range.endsWith('-')
            && (ifRange.isNull() || ifRange == m_route.etag)) {
            m_sent = range.mid(6).chopped(1).toLongLong();
            status = m_sent < m_end ? 206 : 416;
            if (status == 416)
                m_sent = m_end;
            else
                head += "Content-Range: bytes " + QByteArray::number(m_sent) + '-' + QByteArray::number(m_end - 1) + '/'
                        + QByteArray::number(m_end) + "\r\n";
        }
        m_start = m_sent;
        head = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n" + head;  // clients ignore the phrase
        for (const auto &[name, value] : std::as_const(m_route.headers))
            head += name + ": " + value + "\r\n";
        if (!m_route.etag.isEmpty())
            head += "ETag: " + m_route.etag + "\r\n";
        if (!m_route.omitContentLength)
            head += "Content-Length: " + QByteArray::number(m_route.announcedLength.value_or(m_end - m_sent)) + "\r\n";
        head += "Connection: close\r\n\r\n";
        m_socket->write(head);
        m_streaming = true;
        pump();
    }

    // Writes the body a chunk at a time, keeping little in the socket's buffer.
    void pump()
    {
        if (m_waiting)
            return;
        const qint64 limit = std::min(m_route.stallAfter.value_or(m_end), m_route.dropAfter.value_or(m_end));
        const qint64 total = std::min(m_end, m_start + limit);
        while (m_sent < total && m_socket->bytesToWrite() < maxBuffered) {
            const qint64 size = std::min(chunkSize, total - m_sent);
            m_socket->write(m_route.generatedSize ? patternSlice(m_route.pattern, m_sent, size)
                                                  : m_route.body.mid(m_sent, size));
            m_sent += size;
            if (m_route.chunkDelayMs > 0 && m_sent < total) {
                m_waiting = true;
                QTimer::singleShot(m_route.chunkDelayMs, this, [this] {
                    m_waiting = false;
                    pump();
                });
                return;
            }
        }
        if (m_sent < total)
            return;
        if (total == m_end || m_route.dropAfter) {
            m_streaming = false;
            m_socket->disconnectFromHost();  // after the buffered bytes are written
        }
    }

    QSslSocket *m_socket;
    std::shared_ptr<Shared> m_shared;
    QByteArray m_buffer;
    Request m_request;
    Route m_route;
    qint64 m_start = 0, m_end = 0, m_sent = 0;  // the body's first byte in this answer, its end, the next to send
    bool m_answered = false, m_streaming = false, m_waiting = false;
};

class TestHttpsServer::Worker : public QSslServer {
public:
    Worker(std::shared_ptr<Shared> shared, bool trusted) : m_shared(std::move(shared))
    {
        const auto read = [](const char *name) { return TestFiles::read(TestCertificates::path(name)); };
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(QSslCertificate(read(trusted ? "server.pem" : "untrusted-server.pem")));
        config.setPrivateKey(QSslKey(read(trusted ? "server-key.pem" : "untrusted-server-key.pem"), QSsl::Rsa));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        setSslConfiguration(config);
        connect(this, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (auto *socket = qobject_cast<QSslSocket *>(nextPendingConnection()))
                new Connection(socket, m_shared, this);
        });
    }

private:
    std::shared_ptr<Shared> m_shared;
};

TestHttpsServer::TestHttpsServer(bool trusted)
    : m_shared(std::make_shared<Shared>()), m_thread(std::make_unique<QThread>())
{
    m_thread->setObjectName(QStringLiteral("TestHttpsServer"));
    m_worker = new Worker(m_shared, trusted);
    m_worker->moveToThread(m_thread.get());
    m_thread->start();
    QMetaObject::invokeMethod(
        m_worker,
        [this] {
            if (!m_worker->listen(QHostAddress::LocalHost, 0))
                qFatal("test HTTPS server cannot listen: %s", qPrintable(m_worker->errorString()));
            m_port = m_worker->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

TestHttpsServer::~TestHttpsServer()
{
    // The worker and its connections belong to the server's thread: delete them there.
    QMetaObject::invokeMethod(m_worker, [this] { delete m_worker; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

void TestHttpsServer::route(const QString &path, Route route)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->routes.insert(path, std::move(route));
}

QUrl TestHttpsServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(m_port).arg(path));
}

QList<TestHttpsServer::Request> TestHttpsServer::requests() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->requests;
}

qsizetype TestHttpsServer::requestCount(const QString &path) const
{
    const QList<Request> all = requests();
    return std::count_if(all.begin(), all.end(), [&](const Request &r) {
        return QString::fromUtf8(pathWithoutQuery(r.path)) == path;
    });
}

void TestHttpsServer::clearRequests()
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->requests.clear();
}

QByteArray TestHttpsServer::generatedBytes(qint64 size, const QByteArray &pattern)
{
    return patternSlice(pattern, 0, size);
}

QByteArray TestHttpsServer::Request::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}
