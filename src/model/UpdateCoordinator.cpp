// Stand-in until the update coordinator lands: every app idle, requests only recorded.
#include "model/UpdateCoordinator.h"

UpdateCoordinator::UpdateCoordinator(QObject *parent) : QObject(parent) {}
UpdateCoordinator::~UpdateCoordinator() = default;
void UpdateCoordinator::setOnInstalled(InstalledHook) {}
UpdateCoordinator::State UpdateCoordinator::state(const CatalogApp &) const { return {}; }
void UpdateCoordinator::install(const CatalogApp &) {}
void UpdateCoordinator::uninstall(const CatalogApp &) {}
void UpdateCoordinator::prefetch(const QList<CatalogApp> &) {}
void UpdateCoordinator::prefetchApps(const QVariantList &) {}
void UpdateCoordinator::clearAppToQuitFirst() {}
void UpdateCoordinator::openApp(const QString &) {}
CatalogApp UpdateCoordinator::appToQuitFirstOrEmpty() const { return {}; }
bool UpdateCoordinator::hasAppToQuitFirst() const { return false; }
QVariantMap UpdateCoordinator::statesForView() const { return {}; }
