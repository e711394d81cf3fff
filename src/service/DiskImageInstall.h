#pragma once

#include "platform/ToolRunner.h"
#include "service/UpdateInstaller.h"

// Installs the app in one disk image: mounts the image, finds the app at its top level, checks
// its signature, signing team and the system assessment, puts it into the Applications folder
// in one step, clears its quarantine attribute, registers it and unmounts the image. Blocks
// while the tools run; lives for one call of UpdateInstaller::install.
class DiskImageInstall {
public:
    DiskImageInstall(const UpdateInstaller::Options &options, const UpdateInstaller::Progress &progress);

    // The installed bundle. Throws AppInstaller::Failure; once the image is mounted, it is
    // detached on every path, after the last progress report.
    QString run(const QString &dmg) const;

private:
    QString mount(const QString &dmg) const;
    QString appBundle(const QString &mountPoint) const;
    void verifySignature(const QString &app) const;
    void verifyGatekeeper(const QString &app) const;
    QString copyIntoApplications(const QString &app) const;
    void clearQuarantine(const QString &bundle) const noexcept;
    void detach(const QString &mountPoint) const noexcept;
    void forgetCachedImage(const QString &dmg) const;

    // Runs a tool; one that cannot start throws its launch error, and unless failure is
    // allowed, one that does not succeed throws mountFailed with its output.
    ToolRunner::Result runTool(const QString &tool, const QStringList &arguments, bool allowFailure) const;
    void report(const UpdateInstaller::Step &step) const;

    const UpdateInstaller::Options &m_options;
    const UpdateInstaller::Progress &m_progress;
};
