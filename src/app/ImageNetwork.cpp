#include "app/ImageNetwork.h"

#include "catalog/Catalog.h"
#include "service/TlsTrust.h"
#include "service/UnresolvedHosts.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// The answer to a request that is never sent: it fails as soon as the event loop runs, as a
// failed download would.
class RefusedReply : public QNetworkReply {
public:
    RefusedReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request, NetworkError failure,
                 const QString &why, QObject *parent)
        : QNetworkReply(parent)
    {
        setOperation(operation);
        setRequest(request);
        setUrl(request.url());
        open(ReadOnly);  // before the error: opening clears its text
        setError(failure, why);
        setFinished(true);
        QMetaObject::invokeMethod(this, [this] {
            Q_EMIT errorOccurred(error());
            Q_EMIT finished();
        }, Qt::QueuedConnection);
    }

    void abort() override {}

protected:
    qint64 readData(char *, qint64) override { return -1; }
};

// Aborts the reply once it is known to be, or has become, larger than maxBytes.
void capSize(QNetworkReply *reply)
{
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > ImageNetworkFactory::maxBytes)
            reply->abort();
    });
    // The progress signal comes at most every so often, so a fast answer may be complete
    // before it says anything: what waits unread counts as it arrives.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > ImageNetworkFactory::maxBytes)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > ImageNetworkFactory::maxBytes)
            reply->abort();
    });
}

// Lives on an image loader thread, so building the trusting configuration there never holds
// up the window.
class ImageNetworkManager : public QNetworkAccessManager {
public:
    ImageNetworkManager(QString extraCaFile, QObject *parent)
        : QNetworkAccessManager(parent), m_extraCaFile(std::move(extraCaFile))
    {
    }

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &original, QIODevice *data) override
    {
        if (op != GetOperation || !CatalogLinks::isFetchable(original.url()))
            return new RefusedReply(op, original, QNetworkReply::ProtocolUnknownError,
                                    QStringLiteral("Only https images are loaded"), this);
        // Offline: the catalogue's host did not resolve a moment ago.
        if (UnresolvedHosts::contains(original.url().host()))
            return new RefusedReply(op, original, QNetworkReply::HostNotFoundError,
                                    QStringLiteral("Host %1 not found").arg(original.url().host()), this);
        QNetworkRequest request(original);
        // A redirect may not leave https; the body comes uncompressed, so its size is what arrives.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setRawHeader("Accept-Encoding", "identity");
        if (!m_extraCaFile.isEmpty()) {
            if (!m_configuration)
                m_configuration = TlsTrust::trusting(m_extraCaFile);
            request.setSslConfiguration(*m_configuration);
        }
        QNetworkReply *reply = QNetworkAccessManager::createRequest(op, request, data);
        capSize(reply);
        return reply;
    }

private:
    QString m_extraCaFile;
    std::optional<QSslConfiguration> m_configuration;
};

} // namespace

QNetworkAccessManager *ImageNetworkFactory::create(QObject *parent)
{
    return new ImageNetworkManager(m_extraCaFile, parent);
}
