#include "service/TlsTrust.h"

#include <QSslCertificate>

QSslConfiguration TlsTrust::trusting(const QString &extraCaFile)
{
    // The system's store does not change while the program runs.
    static const QList<QSslCertificate> system = QSslConfiguration::systemCaCertificates();
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates(system + QSslCertificate::fromPath(extraCaFile, QSsl::Pem));
    return config;
}
