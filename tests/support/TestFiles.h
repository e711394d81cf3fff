#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Whole-file reads and writes for arranging and checking test folders.
namespace TestFiles {

// Writes `content` to `path`, creating its folders; false if it could not.
bool write(const QString &path, const QByteArray &content);
// The file's bytes, or an empty array if it cannot be read.
QByteArray read(const QString &path);

} // namespace TestFiles

// A temporary folder of small shell scripts that stand in for programs.
class ScriptFolder : public QTemporaryDir {
public:
    QString path(const QString &name) const { return filePath(name); }
    // Writes an executable "#!/bin/sh" script with this body and returns its path.
    QString write(const QString &name, const QString &body) const;
};
