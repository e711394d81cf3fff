#pragma once

#include <QString>

// Opens installed apps: starts a bundle's program (Contents/MacOS/<CFBundleExecutable>) as a
// detached process, without a shell, and does not wait for it.
class AppLauncher {
public:
    // Programs start in workingDirectory, as they would from the desktop's menus.
    explicit AppLauncher(QString workingDirectory);
    virtual ~AppLauncher() = default;

    // False when the bundle names no program that can be started; the program's own fate is
    // not followed.
    virtual bool open(const QString &bundlePath) const;

    // The program a bundle names, or empty when the name is missing or would leave
    // Contents/MacOS.
    static QString programOf(const QString &bundlePath);

private:
    QString m_workingDirectory;
};
