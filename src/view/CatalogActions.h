#pragma once

#include "catalog/Catalog.h"
#include "state/CatalogStore.h"
#include "state/UpdateCoordinator.h"

#include <QObject>
#include <QtQmlIntegration>
#include <qcoro/qcoroqmltask.h>

// The views' asynchronous actions. The tasks belong to no view: they run to their end even
// when the view that started them goes away.
class CatalogActions : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    using QObject::QObject;

    // The toolbar's refresh: the refresh (with its toast), then the prefetch of the apps that
    // have updates in the catalogue it loaded. Never before the refresh has returned.
    Q_INVOKABLE QCoro::QmlTask refreshThenPrefetch(CatalogStore *store, UpdateCoordinator *updates);
    // "Try Again" of the unavailable placeholder: a refresh alone.
    Q_INVOKABLE QCoro::QmlTask refresh(CatalogStore *store);
    // Opens the installed copy of an app; nothing without a bundle identifier or a copy.
    Q_INVOKABLE void openInstalled(CatalogStore *store, UpdateCoordinator *updates, const CatalogApp &app);

    static QCoro::Task<> refreshThenPrefetchTask(CatalogStore &store, UpdateCoordinator &updates);
};
