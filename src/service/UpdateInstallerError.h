#pragma once

#include "service/AppInstaller.h"

// The installer's failures that carry a system error or a fixed text of their own.
namespace InstallerErrors {

// "<path>: <the system's text for error>", as the file system reports it.
AppInstaller::Failure fileError(const QString &path, int error);
// An app id or version that cannot be part of a file name in the cache.
AppInstaller::Failure unusableName();
// Going back to an app of which no earlier copy is kept.
AppInstaller::Failure nothingKept();

} // namespace InstallerErrors
