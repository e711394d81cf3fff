#pragma once

#include <QCoroTask>
#include <QString>

class QNetworkAccessManager;
class QUrl;

// Hosts whose names did not resolve when last looked up, remembered for a short while: offline,
// a request to one fails at once instead of setting up TLS and a connection only to fail (the
// catalogue's fetch, then every icon from the same host). The catalogue's fetch looks its host
// up first and records the answer. Thread-safe: the icons load on threads of their own.
namespace UnresolvedHosts {

enum class Answer { resolved, notFound, timedOut };

// Looks url's host up unless the request would go through a proxy, which resolves names
// itself, and records the answer; the window's thread waits for neither question. Resolved
// without a lookup for an address.
QCoro::Task<Answer> lookUp(const QUrl &url, QNetworkAccessManager *network, int timeoutMs);
void record(const QString &host, bool resolved);
bool contains(const QString &host);

} // namespace UnresolvedHosts
