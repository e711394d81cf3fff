#include "service/UpdateInstallerLog.h"

Q_LOGGING_CATEGORY(lcUpdate, "apps.veltrane.hub.update")
