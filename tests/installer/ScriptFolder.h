#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary folder of small shell scripts that stand in for system tools.
class ScriptFolder {
public:
    ScriptFolder();

    // Writes an executable "#!/bin/sh" script with this body and returns its path.
    QString write(const QString &name, const QString &body) const;
    QString path(const QString &name) const;
    const QString &root() const { return m_root; }

private:
    QTemporaryDir m_dir;
    QString m_root;
};
