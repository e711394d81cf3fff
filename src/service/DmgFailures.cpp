#include "service/DmgFailures.h"

#include "service/CurlLibrary.h"

#include "service/UpdateInstallerLog.h"

#include <QCoreApplication>
#include <QLocale>

namespace {
using Failure = AppInstaller::Failure;

QString size(qint64 bytes) { return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat); }
} // namespace

namespace DmgFailures {

Failure cancelled() { return Failure::of(Failure::Kind::Cancelled); }

Failure transport(CURLcode code, const char *errorText, const QByteArray &url)
{
    qCWarning(lcUpdate, "download of %s failed: %s (%s)", url.constData(), CurlLibrary::get().easy_strerror(code), errorText);
    switch (code) {
    case CURLE_COULDNT_CONNECT:
        return Failure::other(AppInstaller::tr("Could not connect to the server."));
    case CURLE_OPERATION_TIMEDOUT:
        return Failure::other(AppInstaller::tr("The connection timed out."));
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return Failure::other(AppInstaller::tr("The server's certificate is not trusted."));
    case CURLE_COULDNT_RESOLVE_HOST:
        return Failure::other(AppInstaller::tr("The server name could not be found."));
    case CURLE_UNSUPPORTED_PROTOCOL:
        return Failure::other(AppInstaller::tr("The download link does not use a secure connection (https)."));
    default:
        break;
    }
    if (isInterruption(code))
        return Failure::other(AppInstaller::tr("The connection to the server was lost."));
    return Failure::other(AppInstaller::tr("The download failed."));
}

bool isInterruption(CURLcode code)
{
    switch (code) {
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_COULDNT_CONNECT:
        return true;
    default:
        return false;
    }
}

Failure notEnoughSpace(const QString &app, qint64 needed, qint64 free)
{
    return Failure::other(AppInstaller::tr("Not enough free space to download %1: it needs %2, but only %3 are free.")
                              .arg(app, size(needed), size(free)));
}

Failure diskFull(const QString &app)
{
    return Failure::other(AppInstaller::tr("The disk is full: the download of %1 was stopped and removed.").arg(app));
}

Failure diskAlmostFull(const QString &app)
{
    return Failure::other(AppInstaller::tr("The download of %1 was stopped because the disk is almost full.").arg(app));
}

Failure tooLarge(const QString &app, qint64 cap)
{
    return Failure::other(AppInstaller::tr("The download of %1 is larger than %2 and was stopped.").arg(app, size(cap)));
}

Failure wrongSize(const QString &app)
{
    return Failure::other(AppInstaller::tr("The download of %1 does not have the size the catalogue gives; it was removed.").arg(app));
}

Failure wrongChecksum(const QString &app)
{
    return Failure::other(
        AppInstaller::tr("The download of %1 does not match the checksum the catalogue gives; it was removed.").arg(app));
}

Failure busyElsewhere(const QString &app)
{
    return Failure::other(AppInstaller::tr("%1 is being downloaded by another Veltrane Hub.").arg(app));
}

} // namespace DmgFailures
