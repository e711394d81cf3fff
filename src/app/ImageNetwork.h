#pragma once

#include <QQmlNetworkAccessManagerFactory>
#include <QString>

// Icons and screenshots load through the QML engine's own network managers, one per loader
// thread. A run with an extra certificate authority (--trust-ca, a maker's staging server)
// must trust it there too; a normal run needs none of this and uses the engine's defaults.
class ImageNetworkFactory : public QQmlNetworkAccessManagerFactory {
public:
    explicit ImageNetworkFactory(QString extraCaFile) : m_extraCaFile(std::move(extraCaFile)) {}

    QNetworkAccessManager *create(QObject *parent) override;

private:
    QString m_extraCaFile;
};
