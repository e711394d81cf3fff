#include "app/SingleInstance.h"

#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>

namespace {

const QByteArray request = QByteArrayLiteral("activate");
const QByteArray answer = QByteArrayLiteral("ok\n");
constexpr int answerWaitMs = 5000;
constexpr qsizetype maxRequestBytes = 4096;

// Tokens go into the environment and to the compositor: printable ASCII, one word, or nothing.
QByteArray plainToken(const QByteArray &token)
{
    const bool plain = token.size() <= 1024
                       && std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; });
    return plain ? token : QByteArray();
}

} // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent),
      m_socketPath(folder.isEmpty() ? QString() : folder + QStringLiteral("/apps.veltrane.Hub.socket")),
      m_lock(folder.isEmpty() ? QString() : folder + QStringLiteral("/apps.veltrane.Hub.lock"))
{
    // The lock is held for the whole run; by default a lock older than 30 s would count as stale.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

SingleInstance::Claim SingleInstance::claim()
{
    if (m_socketPath.isEmpty())
        return Claim::Unavailable;
    if (!m_lock.tryLock(0))
        return m_lock.error() == QLockFile::LockFailedError ? Claim::HeldByOther : Claim::Unavailable;
    // Holding the lock proves that nobody serves a socket still lying there: a crashed Hub's.
    QLocalServer::removeServer(m_socketPath);
    if (m_server.listen(m_socketPath))
        return Claim::Claimed;
    qWarning("cannot listen on %s: %s", qPrintable(m_socketPath), qPrintable(m_server.errorString()));
    m_lock.unlock();
    return Claim::Unavailable;
}

bool SingleInstance::activateRunning(const QByteArray &activationToken) const
{
    QLocalSocket socket;
    // The running Hub takes the lock a moment before it listens.
    for (int attempt = 0; attempt < 20 && socket.state() != QLocalSocket::ConnectedState; ++attempt) {
        if (attempt > 0)
            QThread::msleep(100);
        socket.connectToServer(m_socketPath);
        socket.waitForConnected(answerWaitMs);
    }
    if (socket.state() != QLocalSocket::ConnectedState)
        return false;
    socket.write(request + ' ' + plainToken(activationToken) + '\n');
    if (!socket.waitForBytesWritten(answerWaitMs))
        return false;
    while (!socket.canReadLine()) {
        // A Hub that holds the lock but no longer answers counts as not running.
        if (!socket.waitForReadyRead(answerWaitMs))
            return false;
    }
    return socket.readLine() == answer;
}

void SingleInstance::serve(QLocalSocket *socket)
{
    socket->setParent(this);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    const auto handle = [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > maxRequestBytes)
                socket->abort();
            return;
        }
        const QList<QByteArray> words = socket->readLine(maxRequestBytes).trimmed().split(' ');
        if (words.value(0) != request) {
            socket->abort();
            return;
        }
        socket->write(answer);
        socket->disconnectFromServer();
        Q_EMIT activationRequested(plainToken(words.value(1)));
    };
    connect(socket, &QLocalSocket::readyRead, socket, handle);
    if (socket->bytesAvailable() > 0)
        handle();
}
