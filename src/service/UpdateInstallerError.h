#pragma once

#include "service/UpdateInstaller.h"

// The installer's errors that are not Failure values, with their texts.
namespace InstallerErrors {

// "<path>: <the system's text for error>", as the file system reports it.
UpdateInstaller::Error fileError(const QString &path, int error);
// An app id or version that cannot be part of a file name in the cache.
UpdateInstaller::Error unusableName();
// httpStatus with that status code.
UpdateInstaller::Error httpStatus(int status);
// Shorthand for an Error carrying a Failure.
UpdateInstaller::Error failure(UpdateInstaller::Failure::Kind kind, const QString &detail = {});

} // namespace InstallerErrors
