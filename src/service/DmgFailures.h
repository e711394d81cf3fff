#pragma once

#include "service/AppInstaller.h"

#include <curl/curl.h>

// The download's failures, as the user reads them. libcurl's own words go to the log only.
namespace DmgFailures {

AppInstaller::Failure cancelled();
// A transfer that libcurl ended with code; errorText is its detail, logged with the URL.
AppInstaller::Failure transport(CURLcode code, const char *errorText, const QByteArray &url);
// Whether a transfer that failed with code may be resumed later from what arrived.
bool isInterruption(CURLcode code);

AppInstaller::Failure notEnoughSpace(const QString &app, qint64 needed, qint64 free);
AppInstaller::Failure diskFull(const QString &app);
// A body of unknown length that stopped while some space was left.
AppInstaller::Failure diskAlmostFull(const QString &app);
AppInstaller::Failure tooLarge(const QString &app, qint64 cap);
AppInstaller::Failure wrongSize(const QString &app);
AppInstaller::Failure wrongChecksum(const QString &app);
AppInstaller::Failure busyElsewhere(const QString &app);

} // namespace DmgFailures
