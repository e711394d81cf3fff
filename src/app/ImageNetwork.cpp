#include "app/ImageNetwork.h"

#include "service/TlsTrust.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>

namespace {

// Puts the trusting configuration on every request it makes. Lives on an image loader
// thread, so building the configuration there never holds up the window.
class TrustingManager : public QNetworkAccessManager {
public:
    TrustingManager(QString extraCaFile, QObject *parent)
        : QNetworkAccessManager(parent), m_extraCaFile(std::move(extraCaFile))
    {
    }

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &original, QIODevice *data) override
    {
        if (!m_configuration)
            m_configuration = TlsTrust::trusting(m_extraCaFile);
        QNetworkRequest request(original);
        request.setSslConfiguration(*m_configuration);
        return QNetworkAccessManager::createRequest(op, request, data);
    }

private:
    QString m_extraCaFile;
    std::optional<QSslConfiguration> m_configuration;
};

} // namespace

QNetworkAccessManager *ImageNetworkFactory::create(QObject *parent)
{
    return new TrustingManager(m_extraCaFile, parent);
}
