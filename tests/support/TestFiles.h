#pragma once

#include <QByteArray>
#include <QString>

// Whole-file reads and writes for arranging and checking test folders.
namespace TestFiles {

// Writes `content` to `path`, creating its folders; false if it could not.
bool write(const QString &path, const QByteArray &content);
// The file's bytes, or an empty array if it cannot be read.
QByteArray read(const QString &path);

} // namespace TestFiles
