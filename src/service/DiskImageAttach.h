#pragma once

#include <QString>

#include <optional>

// Reads the property list that the disk-image tool prints for "attach ... -plist": a dictionary
// whose "system-entities" array holds dictionaries, some with a "mount-point" string.
namespace DiskImageAttach {

// The first mount point in the tool's output; nothing when the output is no such property list.
std::optional<QString> mountPoint(const QString &output);

} // namespace DiskImageAttach
