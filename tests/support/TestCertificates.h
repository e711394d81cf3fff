#pragma once

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>

// The certificates of the network tests (see certs/make-certs.sh): a test authority, a server
// certificate it issued for 127.0.0.1 and localhost, and a second server certificate for the
// same names issued by an authority nobody trusts.
namespace TestCertificates {

// Path of the test authority's PEM file, for code that takes a file (an extra CA file option,
// libcurl's CAINFO).
QString caFile();
QSslCertificate ca();

QSslCertificate serverCertificate();
QSslKey serverKey();

QSslCertificate untrustedServerCertificate();
QSslKey untrustedServerKey();

// A client configuration trusting the system's authorities plus the test authority.
QSslConfiguration trustingClientConfiguration();

} // namespace TestCertificates
