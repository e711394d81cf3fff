#pragma once

#include <QString>

// The test certificate authority (see certs/make-certs.sh), which issued the test server's
// certificate for 127.0.0.1 and localhost.
namespace TestCertificates {
QString caFile();
// A file of the certs folder.
QString path(const char *name);
} // namespace TestCertificates
