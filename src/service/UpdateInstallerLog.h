#pragma once

#include <QLoggingCategory>

// The installer's log: "installed <bundle>" at info level.
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
