#include "service/UnresolvedHosts.h"

#include <QCoroFuture>
#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QHostInfo>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <memory>

namespace {

// Long enough for the icons of one catalogue; a refresh looks the host up again anyway.
constexpr int rememberedMs = 60'000;

struct Memory {
    QMutex mutex;
    QHash<QString, QDeadlineTimer> hosts;
};

Memory &memory()
{
    static Memory shared;
    return shared;
}

bool isProxy(const QNetworkProxy &proxy)
{
    return proxy.type() != QNetworkProxy::NoProxy && proxy.type() != QNetworkProxy::DefaultProxy;
}

bool setsItsOwnProxy(QNetworkAccessManager *network)
{
    return isProxy(network->proxy()) || network->proxyFactory();
}

// The application's proxies, which include the system's unless the program turned them off.
// Asking may take a while (libproxy may run a PAC script): never on the window's thread.
bool goesThroughProxy(const QUrl &url)
{
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
    return std::any_of(proxies.begin(), proxies.end(), isProxy);
}

} // namespace

namespace UnresolvedHosts {

namespace {

bool needsLookup(const QUrl &url, QNetworkAccessManager *network)
{
    const QString host = url.host();
    return !host.isEmpty() && QHostAddress(host).isNull() && !setsItsOwnProxy(network);
}

// Threads of their own: a name server that does not answer holds one of these, not one of the
// pool the catalogue is decoded on. Never destroyed, so that quitting does not wait for it.
QThreadPool &lookupPool()
{
    static QThreadPool *const pool = new QThreadPool;
    return *pool;
}

// Settles with the lookup's answer, or timedOut, and records what it learnt. Behind a proxy,
// which resolves names itself, it settles as resolved without a lookup and learns nothing.
QFuture<Answer> startLookup(const QUrl &url, QNetworkAccessManager *network, int timeoutMs)
{
    const QString host = url.host();
    auto promise = std::make_shared<QPromise<Answer>>();
    auto settled = std::make_shared<std::atomic<bool>>(false);
    promise->start();
    const auto settle = [promise, settled, host](Answer value, bool learnt) {
        if (settled->exchange(true))
            return;
        if (learnt)
            record(host, value == Answer::resolved);
        promise->addResult(value);
        promise->finish();
    };
    [[maybe_unused]] const QFuture<void> asked = QtConcurrent::run(&lookupPool(), [url, host, settle] {
        if (goesThroughProxy(url))
            return settle(Answer::resolved, false);
        const QHostInfo info = QHostInfo::fromName(host);
        settle(info.error() == QHostInfo::NoError && !info.addresses().isEmpty() ? Answer::resolved : Answer::notFound,
               true);
    });
    // A name server that does not answer holds the fetch no longer than its own timeout would.
    QTimer::singleShot(timeoutMs, network, [settle] { settle(Answer::timedOut, false); });
    return promise->future();
}

} // namespace

QCoro::Task<Answer> lookUp(const QUrl &url, QNetworkAccessManager *network, int timeoutMs)
{
    if (!needsLookup(url, network))
        co_return Answer::resolved;
    QFuture<Answer> answer = startLookup(url, network, timeoutMs);
    co_await qCoro(answer).waitForFinished();
    // Never answered (the manager went first): the request itself will tell.
    co_return answer.isCanceled() || answer.resultCount() == 0 ? Answer::resolved : answer.result();
}

void record(const QString &host, bool resolved)
{
    Memory &shared = memory();
    const QMutexLocker lock(&shared.mutex);
    if (resolved)
        shared.hosts.remove(host);
    else
        shared.hosts.insert(host, QDeadlineTimer(rememberedMs));
}

bool contains(const QString &host)
{
    Memory &shared = memory();
    const QMutexLocker lock(&shared.mutex);
    const auto found = shared.hosts.constFind(host);
    return found != shared.hosts.cend() && !found->hasExpired();
}

} // namespace UnresolvedHosts
