#include "platform/AppLauncher.h"

#include "platform/BundleInfo.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>

namespace {
Q_LOGGING_CATEGORY(lcLaunch, "apps.veltrane.hub.launch")
} // namespace

AppLauncher::AppLauncher(QString workingDirectory) : m_workingDirectory(std::move(workingDirectory)) {}

QString AppLauncher::programOf(const QString &bundlePath)
{
    const auto info = BundleInfo::read(bundlePath);
    if (!info || !info->executable)
        return {};
    // The name comes from a downloaded file: a path in it could start anything on the disk.
    const QString &name = *info->executable;
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".")
        || name == QLatin1String(".."))
        return {};
    return bundlePath + QStringLiteral("/Contents/MacOS/") + name;
}

bool AppLauncher::open(const QString &bundlePath) const
{
    const QString program = programOf(bundlePath);
    const QFileInfo file(program);
    if (program.isEmpty() || !file.isFile() || !file.isExecutable()) {
        qCWarning(lcLaunch, "no program to start in %s", qPrintable(bundlePath));
        return false;
    }
    if (!QProcess::startDetached(program, {}, m_workingDirectory)) {
        qCWarning(lcLaunch, "could not start %s", qPrintable(program));
        return false;
    }
    return true;
}
