#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One Hub per user session. The first process holds a lock file and listens on a local socket
// beside it, in the user's runtime folder; a later process finds the lock held, asks the first
// one over the socket to come to the front and leaves. A lock or socket left by a crashed Hub
// is taken over.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        Claimed,      // this process is the one instance
        HeldByOther,  // another Hub runs: call activateRunning()
        Unavailable,  // no runtime folder or socket: run without the guard
    };

    // folder: where the lock and socket live ($XDG_RUNTIME_DIR by default).
    explicit SingleInstance(const QString &folder = defaultFolder(), QObject *parent = nullptr);
    ~SingleInstance() override;

    Claim claim();
    // Asks the running Hub to raise its window, passing the launcher's activation token (may
    // be empty), and waits for its answer. False when it did not answer. Blocks: call it before
    // the event loop runs, or off the thread of the instance it talks to.
    bool activateRunning(const QByteArray &activationToken) const;

    static QString defaultFolder();

Q_SIGNALS:
    // Another launch asked for the window. The token, when not empty, lets a Wayland compositor
    // bring the window forward.
    void activationRequested(const QByteArray &activationToken);

private:
    void serve(class QLocalSocket *socket);

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
};
