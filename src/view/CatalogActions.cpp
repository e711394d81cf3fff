#include "view/CatalogActions.h"

#include "state/CatalogStore.h"
#include "state/UpdateCoordinator.h"

#include <QPointer>

QCoro::Task<> CatalogActions::refreshThenPrefetchTask(CatalogStore &store, UpdateCoordinator &updates)
{
    QPointer<CatalogStore> storeAlive(&store);
    QPointer<UpdateCoordinator> updatesAlive(&updates);
    co_await store.refresh();
    if (storeAlive && updatesAlive)
        updates.prefetch(store.updatableApps());
}

QCoro::QmlTask CatalogActions::refreshThenPrefetch(CatalogStore *store, UpdateCoordinator *updates)
{
    if (!store || !updates)
        return QCoro::QmlTask();
    return refreshThenPrefetchTask(*store, *updates);
}

QCoro::QmlTask CatalogActions::refresh(CatalogStore *store)
{
    if (!store)
        return QCoro::QmlTask();
    return store->refresh();
}

void CatalogActions::openInstalled(CatalogStore *store, UpdateCoordinator *updates, const CatalogApp &app)
{
    if (!store || !updates || !app.bundleID)
        return;
    const QString location = store->installedLocation(app);
    if (!location.isEmpty())
        updates->openApp(location);
}
