#pragma once

// Makes the core's types known to QML without the core knowing QML: the two long-lived
// objects as singletons (the objects main() built, owned by C++), the records as value types,
// and the enums of the nested records under their own names.

#include "catalog/Catalog.h"
#include "state/CatalogStore.h"
#include "state/UpdateCoordinator.h"

#include <QtQml/qqml.h>
#include <QtQmlIntegration>

class QJSEngine;
class QQmlEngine;

// The one store and the one coordinator. install() is called once, before the first engine
// loads anything; both objects must outlive every engine.
struct CatalogStoreSingleton {
    Q_GADGET
    QML_FOREIGN(CatalogStore)
    QML_NAMED_ELEMENT(CatalogStore)
    QML_SINGLETON
public:
    static CatalogStore *create(QQmlEngine *, QJSEngine *engine);
    static void install(CatalogStore *store);
};

struct UpdateCoordinatorSingleton {
    Q_GADGET
    QML_FOREIGN(UpdateCoordinator)
    QML_NAMED_ELEMENT(UpdateCoordinator)
    QML_SINGLETON
public:
    static UpdateCoordinator *create(QQmlEngine *, QJSEngine *engine);
    static void install(UpdateCoordinator *updates);
};

// The store's models, as QML reads them: app rows and the sidebar's sections.
struct AppListModelType {
    Q_GADGET
    QML_FOREIGN(AppListModel)
    QML_NAMED_ELEMENT(AppListModel)
    QML_UNCREATABLE("The store makes its models.")
};
struct SectionListModelType {
    Q_GADGET
    QML_FOREIGN(SectionListModel)
    QML_NAMED_ELEMENT(SectionListModel)
    QML_UNCREATABLE("The store makes its models.")
};

struct CatalogAppValue { Q_GADGET QML_FOREIGN(CatalogApp) QML_VALUE_TYPE(catalogApp) };
struct CategoryValue { Q_GADGET QML_FOREIGN(Category) QML_VALUE_TYPE(category) };
struct CatalogValue { Q_GADGET QML_FOREIGN(Catalog) QML_VALUE_TYPE(catalog) };
struct SourceValue { Q_GADGET QML_FOREIGN(Source) QML_VALUE_TYPE(source) };
struct PriceValue { Q_GADGET QML_FOREIGN(Price) QML_VALUE_TYPE(price) };
struct PhaseValue { Q_GADGET QML_FOREIGN(CatalogStorePhase) QML_VALUE_TYPE(phase) };
struct ToastValue { Q_GADGET QML_FOREIGN(CatalogStoreToast) QML_VALUE_TYPE(toast) };
struct FilterValue { Q_GADGET QML_FOREIGN(CatalogStoreFilter) QML_VALUE_TYPE(filter) };
struct StateValue { Q_GADGET QML_FOREIGN(UpdateCoordinatorState) QML_VALUE_TYPE(installState) };

// Enums: Phase.Loaded, Filter.Updates, InstallState.Downloading.
namespace PhaseEnums {
Q_NAMESPACE
QML_FOREIGN_NAMESPACE(CatalogStorePhase)
QML_NAMED_ELEMENT(Phase)
}
namespace FilterEnums {
Q_NAMESPACE
QML_FOREIGN_NAMESPACE(CatalogStoreFilter)
QML_NAMED_ELEMENT(Filter)
}
namespace InstallStateEnums {
Q_NAMESPACE
QML_FOREIGN_NAMESPACE(UpdateCoordinatorState)
QML_NAMED_ELEMENT(InstallState)
}
