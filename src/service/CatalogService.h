#pragma once

#include "catalog/Catalog.h"

#include <QCoroTask>
#include <QDateTime>
#include <QFuture>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

// Obtains the catalogue: from the endpoint, else the copy saved after the last successful
// download, else the copy built into the program, else an empty one. Never fails.
// Network work is asynchronous; file reads, writes and decoding run on a worker thread, so
// the window's thread never waits on them.
class CatalogService {
public:
    // Where a catalogue came from.
    struct Origin {
        enum class Kind { Cache, Network, Bundled };
        Kind kind = Kind::Bundled;
        QDateTime cachedAt;  // the cache file's modification time; only for Cache

        static Origin cache(const QDateTime &modified) { return {Kind::Cache, modified}; }
        static Origin network() { return {Kind::Network, {}}; }
        static Origin bundled() { return {Kind::Bundled, {}}; }
        friend bool operator==(const Origin &, const Origin &) = default;
    };

    struct Result {
        Catalog catalog;
        Origin origin;
    };

    struct Options {
        QUrl endpoint = CatalogService::endpoint();
        QString cacheFile;                               // default: <data>/VeltraneHub/catalog.json
        QString bundledResource = QStringLiteral(":/catalog.json");
        QString extraCaFile;                             // PEM authority trusted besides the system's
        int timeoutMs = 15000;
        qint64 maxBodyBytes = 32 * 1024 * 1024;          // a longer body fails the fetch unread
    };

    CatalogService(QNetworkAccessManager *network, Options options);
    explicit CatalogService(QNetworkAccessManager *network);
    virtual ~CatalogService();

    // https://<catalogue host>/api/apps.json
    static QUrl endpoint();
    // The catalogue built into the program, decoded once; empty when it is missing or bad.
    static const Catalog &bundled();

    // What the caller works out from a catalogue before it can use it. Run on the worker
    // thread that decoded the catalogue, once, with the very catalogue the load returns: at
    // launch the window's thread is busy drawing, and a second trip through it to start
    // this work would hold the catalogue back.
    using Prepare = std::function<void(const Catalog &)>;

    // prepare may be empty.
    virtual QCoro::Task<Result> load(Prepare prepare);
    // Requests wait until released is finished: the first sets TLS up on the window's thread,
    // which at launch draws the window first. The name lookup before a request does not wait.
    void holdRequestsUntil(QFuture<void> released);

    QString cacheFile() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
