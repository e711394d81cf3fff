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
#include <QTimer>
#include <QUrl>

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

bool goesThroughProxy(const QUrl &url, QNetworkAccessManager *network)
{
    if (isProxy(network->proxy()) || network->proxyFactory())
        return true;
    const QNetworkProxyQuery query(url);
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(query)
                                         + QNetworkProxyFactory::systemProxyForQuery(query);
    return std::any_of(proxies.begin(), proxies.end(), isProxy);
}

} // namespace

namespace UnresolvedHosts {

QCoro::Task<Answer> lookUp(const QUrl &url, QNetworkAccessManager *network, int timeoutMs)
{
    const QString host = url.host();
    if (host.isEmpty() || !QHostAddress(host).isNull() || goesThroughProxy(url, network))
        co_return Answer::resolved;
    auto promise = std::make_shared<QPromise<Answer>>();
    QFuture<Answer> answer = promise->future();
    promise->start();
    const auto settle = [promise](Answer value) {
        if (promise->future().isFinished())
            return;
        promise->addResult(value);
        promise->finish();
    };
    // Through Qt's lookup, whose cache the request that follows uses.
    QHostInfo::lookupHost(host, network, [settle](const QHostInfo &info) {
        settle(info.error() == QHostInfo::NoError && !info.addresses().isEmpty() ? Answer::resolved
                                                                                 : Answer::notFound);
    });
    // A name server that does not answer holds the fetch no longer than its own timeout would.
    QTimer::singleShot(timeoutMs, network, [settle] { settle(Answer::timedOut); });
    co_await qCoro(answer).waitForFinished();
    // Never answered (the manager went first): the request itself will tell.
    const Answer result = answer.isCanceled() || answer.resultCount() == 0 ? Answer::resolved : answer.result();
    if (result != Answer::timedOut)
        record(host, result == Answer::resolved);
    co_return result;
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
