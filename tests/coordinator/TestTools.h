#pragma once

#include "service/UpdateInstaller.h"

#include <QString>

// Stand-ins for the system tools the installer runs, written as shell scripts into a folder.
// "Images" are small files whose first line is the path of a folder standing for the mounted
// image; the signature tools accept everything and name the given team.
namespace TestTools {

UpdateInstaller::Tools write(const QString &folder, const QString &teamIdentifier);

// An image file "mounting" as mountPoint, padded to at least `size` bytes.
QByteArray imageContent(const QString &mountPoint, qint64 size = 0);

} // namespace TestTools
