#include "platform/DesktopServices.h"

DesktopServices DesktopServices::forUser(const Locations &locations)
{
    return {std::make_shared<const RunningApps>(), std::make_shared<const AppLauncher>(locations.home)};
}
