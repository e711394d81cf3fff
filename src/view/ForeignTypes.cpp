#include "view/ForeignTypes.h"

#include <QJSEngine>

namespace {

CatalogStore *theStore = nullptr;
UpdateCoordinator *theCoordinator = nullptr;

template<typename T>
T *handOut(T *object, QJSEngine *engine)
{
    Q_ASSERT_X(object, "QML singleton", "install() the object before loading QML");
    Q_ASSERT(engine->thread() == object->thread());
    // main() owns it; an engine going away must not delete it.
    QJSEngine::setObjectOwnership(object, QJSEngine::CppOwnership);
    return object;
}

} // namespace

CatalogStore *CatalogStoreSingleton::create(QQmlEngine *, QJSEngine *engine)
{
    return handOut(theStore, engine);
}

void CatalogStoreSingleton::install(CatalogStore *store) { theStore = store; }

UpdateCoordinator *UpdateCoordinatorSingleton::create(QQmlEngine *, QJSEngine *engine)
{
    return handOut(theCoordinator, engine);
}

void UpdateCoordinatorSingleton::install(UpdateCoordinator *updates) { theCoordinator = updates; }
