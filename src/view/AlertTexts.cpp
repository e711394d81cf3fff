#include "view/AlertTexts.h"

QString AlertTexts::quitTitle(const QString *appName)
{
    return tr("Quit %1 first").arg(appName ? *appName : tr("the app"));
}

QString AlertTexts::quitMessage(const QString *appName)
{
    return tr("%1 is running. Quit it, then press Update again.").arg(appName ? *appName : tr("The app"));
}

QString AlertTexts::uninstallTitle(const QString *appName)
{
    return tr("Move %1 to the Trash?").arg(appName ? *appName : tr("this app"));
}

QString AlertTexts::uninstallMessage()
{
    return tr("The app goes to the Trash, so you can put it back.") + QLatin1Char(' ')
        + tr("Your settings for it stay on this computer.");
}
