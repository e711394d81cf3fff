#include "service/MissingMenuEntries.h"

#include "platform/DesktopEntries.h"

#include <QDir>
#include <QFileInfo>

int registerMissingEntries(const Locations &locations, const QHash<QString, InstalledApp> &installed,
                           const QHash<QString, DesktopEntries::CatalogDetails> &details)
{
    const QHash<QString, QStringList> registered = DesktopEntries::registeredBundles(locations);
    int written = 0;
    for (const InstalledApp &app : installed) {
        const QString bundle = QDir::cleanPath(QFileInfo(app.location).absoluteFilePath());
        if (!registered.value(app.bundleID).contains(bundle) && DesktopEntries::registerBundle(locations, bundle, details.value(app.bundleID)))
            ++written;
    }
    return written;
}
