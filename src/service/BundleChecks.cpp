#include "service/BundleChecks.h"

#include <QCoreApplication>

namespace {
using Failure = AppInstaller::Failure;
using Kind = Failure::Kind;
using Ending = ToolRunner::Result::Ending;

// The signing details hold one "Key=value" per line; the team must be a whole line, so that
// another team whose identifier merely starts with ours, or a bundle identifier quoting it,
// does not pass.
bool namesTeam(const QString &details, const QString &team)
{
    const QString wanted = QStringLiteral("TeamIdentifier=") + team;
    const QStringList lines = details.split(QLatin1Char('\n'));
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QString &line) { return line.trimmed() == wanted; });
}

// A verdict only counts when the tool ran to its end; a killed or stopped one said nothing.
void requireEnd(const ToolRunner::Result &result, Kind kind, const QString &output)
{
    if (result.ending != Ending::Exited)
        throw Failure::of(kind, output);
}
} // namespace

BundleChecks::BundleChecks(const UpdateInstaller::Options &options, QString privateFolder)
    : m_options(options), m_privateFolder(std::move(privateFolder))
{
}

std::optional<BundleChecks::Refusal> BundleChecks::check(const QString &bundle) const
{
    const ToolRunner::Result verified = run(
        m_options.tools.codesign,
        {QStringLiteral("--verify"), QStringLiteral("--deep"), QStringLiteral("--strict"), bundle}, true);
    requireEnd(verified, Kind::NotSignedByUs, shown(verified.output));
    if (!verified.succeeded())
        return Refusal{Failure::of(Kind::NotSignedByUs, shown(verified.output))};

    const ToolRunner::Result details = run(m_options.tools.codesign, {QStringLiteral("-dv"), bundle}, true);
    const QString unexpected = QCoreApplication::translate("UpdateInstaller", "Unexpected developer.");
    // The exit status does not matter, but details cut short by a signal or the time limit do.
    requireEnd(details, Kind::NotSignedByUs, unexpected);
    if (!namesTeam(details.output, m_options.teamIdentifier))
        return Refusal{Failure::of(Kind::NotSignedByUs, unexpected)};

    const ToolRunner::Result assessed = run(
        m_options.tools.spctl,
        {QStringLiteral("-a"), QStringLiteral("-vv"), QStringLiteral("-t"), QStringLiteral("exec"), bundle}, true);
    requireEnd(assessed, Kind::GatekeeperRejected, shown(assessed.output));
    if (!assessed.succeeded())
        return Refusal{Failure::of(Kind::GatekeeperRejected, shown(assessed.output))};
    return std::nullopt;
}

void BundleChecks::clearQuarantine(const QString &bundle) const noexcept
{
    try {
        run(m_options.tools.xattr, {QStringLiteral("-dr"), QStringLiteral("com.apple.quarantine"), bundle}, true);
    } catch (...) {
        // the app is installed; a leftover attribute only makes the desktop ask once
    }
}

ToolRunner::Result BundleChecks::run(const QString &tool, const QStringList &arguments, bool allowFailure) const
{
    ToolRunner::Result result = ToolRunner::run(tool, arguments, m_options.toolTimeout);
    if (result.ending == Ending::NotStarted)
        throw Failure::other(result.output);
    if (!allowFailure && !result.succeeded())
        throw Failure::of(Kind::MountFailed, shown(result.output));
    return result;
}

QString BundleChecks::shown(QString output) const
{
    if (!m_privateFolder.isEmpty())
        output.replace(m_privateFolder + QLatin1Char('/'), QString());
    return output;
}
