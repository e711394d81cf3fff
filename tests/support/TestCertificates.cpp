#include "TestCertificates.h"

QString TestCertificates::path(const char *name) { return QStringLiteral(VELTRANE_TEST_CERTS_DIR "/") + QLatin1String(name); }
QString TestCertificates::caFile() { return path("ca.pem"); }
