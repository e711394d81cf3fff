#pragma once

#include <QQmlNetworkAccessManagerFactory>
#include <QString>

// Icons and screenshots load through the QML engine's own network managers, one per loader
// thread. The catalogue names their URLs, so these managers fetch only https (CatalogLinks)
// and refuse anything else without a request: no file, FIFO or device is ever opened for a
// catalogue's image. An answer longer than maxBytes is aborted, whether or not it announced
// its length. A run with an extra certificate authority (--trust-ca, a maker's staging
// server) trusts it here too.
class ImageNetworkFactory : public QQmlNetworkAccessManagerFactory {
public:
    static constexpr qint64 maxBytes = 8 << 20;

    explicit ImageNetworkFactory(QString extraCaFile = {}) : m_extraCaFile(std::move(extraCaFile)) {}

    QNetworkAccessManager *create(QObject *parent) override;

private:
    QString m_extraCaFile;
};
