#pragma once

#include <QList>
#include <QString>

// Finds the running copies of an app by its bundle identifier: the processes whose program
// file lies inside an app bundle ("….app" folder) whose Info.plist names that identifier,
// wherever the bundle is, and the interpreters running a script from such a bundle's
// Contents/MacOS. Only processes the user may inspect are seen.
class RunningApps {
public:
    explicit RunningApps(QString procRoot = QStringLiteral("/proc"));
    virtual ~RunningApps() = default;

    // Process ids in ascending order; empty when no copy runs.
    virtual QList<qint64> processes(const QString &bundleID) const;
    bool isRunning(const QString &bundleID) const { return !processes(bundleID).isEmpty(); }

    // The innermost app bundle that contains the program at executablePath, or empty. A
    // program replaced or deleted while running is still reported by the path it ran from.
    static QString enclosingBundle(const QString &executablePath);

private:
    QString m_procRoot;
};
