#pragma once

#include <QSslConfiguration>
#include <QString>

namespace TlsTrust {

// The system's authorities plus those in the PEM file at extraCaFile. Reading the system's
// store takes tens of milliseconds the first time: call it off the window's thread.
// Safe from any thread.
QSslConfiguration trusting(const QString &extraCaFile);

} // namespace TlsTrust
