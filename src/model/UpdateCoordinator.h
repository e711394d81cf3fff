#pragma once

// Interface sketch; the coordinator work fills it in and may refine it, keeping the members
// the views use (state, install, prefetch, uninstall, openApp, appToQuitFirst, states).

#include "model/Catalog.h"

#include <QObject>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <optional>
#include <utility>

// UpdateCoordinator::State: where one app's install, update or prefetch stands.
struct UpdateCoordinatorState {
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
    friend bool operator==(const UpdateCoordinatorState &, const UpdateCoordinatorState &) = default;
};

class UpdateCoordinator : public QObject {
    Q_OBJECT
    Q_PROPERTY(CatalogApp appToQuitFirst READ appToQuitFirstOrEmpty NOTIFY appToQuitFirstChanged)
    Q_PROPERTY(bool hasAppToQuitFirst READ hasAppToQuitFirst NOTIFY appToQuitFirstChanged)
    // catalogue id -> State; an id without entry is idle. Read it in a binding to redraw on change.
    Q_PROPERTY(QVariantMap states READ statesForView NOTIFY statesChanged)

public:
    // The value type lives outside the class (moc cannot read gadgets nested in a QObject).
    using State = UpdateCoordinatorState;

    // Told (bundle identifier, installed bundle path) after an install, nothing after an uninstall.
    using InstalledHook = std::function<void(const std::optional<std::pair<QString, QString>> &)>;

    explicit UpdateCoordinator(QObject *parent = nullptr);
    ~UpdateCoordinator() override;
    void setOnInstalled(InstalledHook hook);

    Q_INVOKABLE UpdateCoordinatorState state(const CatalogApp &app) const;
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

Q_DECLARE_METATYPE(UpdateCoordinatorState)
