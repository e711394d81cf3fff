#pragma once

#include "catalog/Catalog.h"
#include "state/UpdateCoordinator.h"
#include "view/CardStatus.h"

#include <QCoreApplication>
#include <QtQmlIntegration>

// What the detail pane offers for one app: the primary button (install, update, progress,
// retry) or "Not available yet" in its place, the row with "Open" and the more-actions menu, the header's "Installed" label and
// the failure text. Derived from the app, its install state and the store's answers.
struct DetailActions {
    Q_GADGET
    QML_VALUE_TYPE(detailActions)
    Q_DECLARE_TR_FUNCTIONS(DetailActions)
    Q_PROPERTY(bool isInstalled MEMBER isInstalled CONSTANT)
    Q_PROPERTY(bool showsInstalledLabel MEMBER showsInstalledLabel CONSTANT)
    Q_PROPERTY(bool showsPrimary MEMBER showsPrimary CONSTANT)
    Q_PROPERTY(QString primaryTitle MEMBER primaryTitle CONSTANT)
    Q_PROPERTY(QString primarySymbol MEMBER primarySymbol CONSTANT)
    Q_PROPERTY(bool primaryEnabled MEMBER primaryEnabled CONSTANT)
    Q_PROPERTY(bool showsUnavailable MEMBER showsUnavailable CONSTANT)
    Q_PROPERTY(bool showsOpenRow MEMBER showsOpenRow CONSTANT)
    Q_PROPERTY(bool openIsProminent MEMBER openIsProminent CONSTANT)
    Q_PROPERTY(QString failureMessage MEMBER failureMessage CONSTANT)
public:
    bool isInstalled = false;
    bool showsInstalledLabel = false;
    bool showsPrimary = false;
    QString primaryTitle;
    QString primarySymbol;
    bool primaryEnabled = false;
    bool showsUnavailable = false;  // where the primary button would be, but there is no download link
    bool showsOpenRow = false;
    bool openIsProminent = false;
    QString failureMessage;  // empty unless the state is failed

    // installedVersion: the store's answer, empty when no copy is installed.
    static DetailActions of(const CatalogApp &app, const UpdateCoordinator::State &state,
                            const QString &installedVersion, bool hasUpdate);
    // "Downloading… 42%" for 0.427: the percentage is truncated, never rounded up.
    static QString downloadingTitle(double fraction);
};
