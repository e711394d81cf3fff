#pragma once

// Interface sketch; the coordinator work fills it in and may refine it, keeping the members
// the views use (state, install, prefetch, uninstall, openApp, appToQuitFirst, states).

#include "model/Catalog.h"

#include <QObject>
#include <QVariantList>
#include <QVariantMap>

class UpdateCoordinator : public QObject {
    Q_OBJECT
    Q_PROPERTY(CatalogApp appToQuitFirst READ appToQuitFirstOrEmpty NOTIFY appToQuitFirstChanged)
    Q_PROPERTY(bool hasAppToQuitFirst READ hasAppToQuitFirst NOTIFY appToQuitFirstChanged)
    // catalogue id -> State; an id without entry is idle. Read it in a binding to redraw on change.
    Q_PROPERTY(QVariantMap states READ statesForView NOTIFY statesChanged)

public:
    struct State {
        Q_GADGET
        Q_PROPERTY(Kind kind MEMBER kind CONSTANT)
        Q_PROPERTY(double fraction MEMBER fraction CONSTANT)
        Q_PROPERTY(QString location MEMBER location CONSTANT)
        Q_PROPERTY(QString message MEMBER message CONSTANT)
    public:
        enum class Kind { Idle, Ready, Downloading, Installing, Installed, Failed };
        Q_ENUM(Kind)
        Kind kind = Kind::Idle;
        double fraction = 0;  // Downloading
        QString location;     // Installed
        QString message;      // Failed
        friend bool operator==(const State &, const State &) = default;
    };

    Q_INVOKABLE State state(const CatalogApp &app) const;
    Q_INVOKABLE void install(const CatalogApp &app);
    Q_INVOKABLE void uninstall(const CatalogApp &app);
    void prefetch(const QList<CatalogApp> &apps);
    Q_INVOKABLE void prefetchApps(const QVariantList &apps);  // QVariantList of CatalogApp
    Q_INVOKABLE void clearAppToQuitFirst();
    // Starts the installed bundle's program detached; nothing when path is empty.
    Q_INVOKABLE void openApp(const QString &bundlePath);

Q_SIGNALS:
    void statesChanged();
    void appToQuitFirstChanged();

private:
    CatalogApp appToQuitFirstOrEmpty() const;
    bool hasAppToQuitFirst() const;
    QVariantMap statesForView() const;
};

Q_DECLARE_METATYPE(UpdateCoordinator::State)
