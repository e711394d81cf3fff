#pragma once

#include "state/CatalogStore.h"
#include "state/UpdateCoordinator.h"
#include "view/CardStatus.h"
#include "view/CatalogContent.h"
#include "view/CatalogStatus.h"
#include "view/DetailActions.h"
#include "view/DetailFacts.h"

#include <QObject>
#include <QVariantList>
#include <QtQmlIntegration>

// The views' derived values, for QML. Pure functions of what the views read from the store and
// the coordinator; the views pass those values in, so their bindings follow every change.
class ViewRules : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString refreshHelp READ refreshHelp CONSTANT)
public:
    using QObject::QObject;

    Q_INVOKABLE DetailActions detailActions(const CatalogApp &app, const UpdateCoordinatorState &state,
                                            const QString &installedVersion, bool hasUpdate) const;
    Q_INVOKABLE CardStatus cardStatus(const QString &installedVersion, const QString &catalogVersion,
                                      bool hasUpdate) const;
    Q_INVOKABLE CatalogStatus catalogStatus(const CatalogStorePhase &phase) const;
    Q_INVOKABLE CatalogContent catalogContent(const CatalogStorePhase &phase, int catalogAppCount,
                                              int visibleCount, const QString &searchText) const;
    // QVariantList of SidebarRow.
    Q_INVOKABLE QVariantList sidebarRows(const Catalog &catalog, int featuredCount, int updatableCount) const;
    Q_INVOKABLE int sidebarIndex(const QVariantList &rows, const CatalogStoreFilter &filter) const;
    // QVariantList of DetailFact.
    Q_INVOKABLE QVariantList facts(const CatalogApp &app, const Catalog &catalog,
                                   const QString &installedVersion) const;
    Q_INVOKABLE SourceCredit sourceCredit(const Source &source) const;
    Q_INVOKABLE QString quitTitle(bool hasApp, const QString &appName) const;
    Q_INVOKABLE QString quitMessage(bool hasApp, const QString &appName) const;
    Q_INVOKABLE QString uninstallTitle(bool hasApp, const QString &appName) const;
    Q_INVOKABLE QString uninstallMessage() const;
    // The install state of an app in the coordinator's states map (idle when absent).
    Q_INVOKABLE UpdateCoordinatorState stateIn(const QVariantMap &states, const CatalogApp &app) const;
    // The installed version of an app in the store's installedVersions map; empty without a
    // bundle identifier or an installed copy.
    Q_INVOKABLE QString installedVersionIn(const QVariantMap &versions, const CatalogApp &app) const;
    // The placeholder letter of an app icon: the name's first character, upper-cased.
    Q_INVOKABLE QString iconLetter(const QString &name) const;

    QString refreshHelp() const;
};
