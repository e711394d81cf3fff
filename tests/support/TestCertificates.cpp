#include "TestCertificates.h"

#include <QFile>

namespace {

QString certPath(const char *name)
{
    return QStringLiteral(VELTRANE_TEST_CERTS_DIR "/") + QLatin1String(name);
}

QByteArray readCertFile(const char *name)
{
    QFile file(certPath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("test certificate %s is missing", qPrintable(file.fileName()));
    return file.readAll();
}

QSslCertificate certificate(const char *name)
{
    const QSslCertificate cert(readCertFile(name), QSsl::Pem);
    if (cert.isNull())
        qFatal("test certificate %s does not parse", name);
    return cert;
}

QSslKey key(const char *name)
{
    const QSslKey k(readCertFile(name), QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey);
    if (k.isNull())
        qFatal("test key %s does not parse", name);
    return k;
}

} // namespace

namespace TestCertificates {

QString caFile() { return certPath("ca.pem"); }
QSslCertificate ca() { return certificate("ca.pem"); }
QSslCertificate serverCertificate() { return certificate("server.pem"); }
QSslKey serverKey() { return key("server-key.pem"); }
QSslCertificate untrustedServerCertificate() { return certificate("untrusted-server.pem"); }
QSslKey untrustedServerKey() { return key("untrusted-server-key.pem"); }

QSslConfiguration trustingClientConfiguration()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates(QSslConfiguration::systemCaCertificates() + QList{ca()});
    return config;
}

} // namespace TestCertificates
