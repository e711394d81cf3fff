// TEMPORARY: links the coordinator tests until the real installer lands. Not part of the build
// of the program.
#include "service/UpdateInstaller.h"

#include <QDir>

QString UpdateInstaller::Failure::description() const
{
    switch (kind) {
    case Kind::HttpStatus: return tr("Download failed (HTTP %1).").arg(status);
    case Kind::NoDownloadURL: return tr("This app has no download link yet.");
    default: return detail;
    }
}

UpdateInstaller::Error::Error(Failure failure) : m_failure(failure), m_description(failure.description()) {}
UpdateInstaller::Error UpdateInstaller::Error::other(QString description)
{
    Error e;
    e.m_description = std::move(description);
    return e;
}
const char *UpdateInstaller::Error::what() const noexcept { return "installer error"; }

UpdateInstaller::Tools UpdateInstaller::Tools::installed() { return {}; }
UpdateInstaller::UpdateInstaller() = default;
UpdateInstaller::UpdateInstaller(Options options) : m_options(std::move(options)) {}

QString UpdateInstaller::cacheDirectory() const
{
    QDir().mkpath(m_options.locations.updatesFolder());
    return m_options.locations.updatesFolder();
}

QString UpdateInstaller::cachedDMG(const QString &appID, const QString &version) const
{
    return cacheDirectory() + QLatin1Char('/') + appID + QLatin1Char('-') + version + QStringLiteral(".dmg");
}

QCoro::Task<QString> UpdateInstaller::fetchDMG(QString, QString, QUrl, Progress progress) const
{
    progress(Step::downloading(0.5));
    throw Error(Failure{Failure::Kind::HttpStatus, 500, {}});
    co_return QString();
}

QString UpdateInstaller::install(const QString &dmg, const Progress &progress) const
{
    progress(Step::verifying());
    progress(Step::installing());
    const QString at = m_options.locations.homeApplications() + QStringLiteral("/Installed.app");
    progress(Step::finished(at));
    if (dmg.endsWith(QStringLiteral("bad.dmg")))
        throw Error::other(QStringLiteral("bad image"));
    return at;
}
