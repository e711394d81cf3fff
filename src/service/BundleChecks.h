#pragma once

#include "platform/ToolRunner.h"
#include "service/UpdateInstaller.h"

#include <optional>

// Runs the system tools on an app bundle: the checks it must pass before it goes into the
// Applications folder (codesign --verify --deep --strict, the signing team from codesign -dv,
// spctl's assessment) and the quarantine attribute's removal. Blocks while a tool runs.
//
// Tools print the paths they were given; inside `privateFolder` (a staging folder or a mount
// point) those are cut down to the bundle's own name, so the user never reads a folder of ours.
class BundleChecks {
public:
    // A check that refused the bundle: the tool ran to its end and said no.
    struct Refusal {
        AppInstaller::Failure failure;
    };

    BundleChecks(const UpdateInstaller::Options &options, QString privateFolder);

    // Nothing when the bundle passes. Throws AppInstaller::Failure when a tool cannot be
    // started or does not finish (killed, too slow): that says nothing about the bundle.
    std::optional<Refusal> check(const QString &bundle) const;
    // Ignores every failure: the app is in place either way.
    void clearQuarantine(const QString &bundle) const noexcept;

    // Runs a tool; one that cannot start throws its launch error, and unless failure is
    // allowed, one that does not succeed throws mountFailed with its output.
    ToolRunner::Result run(const QString &tool, const QStringList &arguments, bool allowFailure) const;

private:
    QString shown(QString output) const;

    const UpdateInstaller::Options &m_options;
    QString m_privateFolder;
};
