#pragma once

#include <QString>

// Where apps are installed: the system Applications folder when the user may write to it,
// otherwise the Applications folder in the home folder (created when missing).
QString destinationDirectory(const QString &systemApplications, const QString &home);
