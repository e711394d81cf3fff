#pragma once

#include "catalog/Catalog.h"
#include "platform/DesktopServices.h"
#include "service/AppInstaller.h"
#include "service/InstalledApps.h"
#include "state/UpdateTransfer.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>

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
    double fraction = 0;  // Downloading: 0 to 1
    QString location;     // Installed: the installed bundle
    QString message;      // Failed: the text the user reads

    static UpdateCoordinatorState idle() { return {}; }
    static UpdateCoordinatorState ready() { return {Kind::Ready, 0, {}, {}}; }
    static UpdateCoordinatorState downloading(double fraction) { return {Kind::Downloading, fraction, {}, {}}; }
    static UpdateCoordinatorState installing() { return {Kind::Installing, 0, {}, {}}; }
    static UpdateCoordinatorState installed(QString at) { return {Kind::Installed, 0, std::move(at), {}}; }
    static UpdateCoordinatorState failed(QString message) { return {Kind::Failed, 0, {}, std::move(message)}; }
    friend bool operator==(const UpdateCoordinatorState &, const UpdateCoordinatorState &) = default;
};

// The one object through which the window installs, updates, uninstalls and pre-downloads
// catalogue apps. It keeps a state per catalogue app id for the views to draw, runs the
// installer in the background, refuses to touch an app while a copy of it runs, and tells
// the catalogue store when the installed apps have changed.
//
// Beside the states, it publishes a transfer record per app while the app's image downloads
// (for an install as much as for a pre-download), at most every 250 ms, and says which apps are
// busy (an install or uninstall runs) and which only pre-download in the background, which
// leaves the installed copy free to open or uninstall. A download can be cancelled; what
// arrived is kept, and the next attempt continues it.
//
// Lives on the window's thread: every member is called there, every state change and every
// signal happens there. The installer does the work on its own threads; results that arrive
// after the coordinator is gone are dropped.
class UpdateCoordinator : public QObject {
    Q_OBJECT
    Q_PROPERTY(CatalogApp appToQuitFirst READ appToQuitFirstOrEmpty NOTIFY appToQuitFirstChanged)
    Q_PROPERTY(bool hasAppToQuitFirst READ hasAppToQuitFirst NOTIFY appToQuitFirstChanged)

public:
    // The value types live outside the class (moc cannot read gadgets nested in a QObject).
    using State = UpdateCoordinatorState;
    using Transfer = UpdateTransfer;
    static constexpr int transferIntervalMs = 250;

    // Told after an install (bundle identifier and installed bundle path, or nothing when the
    // app has no bundle identifier) and after an uninstall (nothing).
    using InstalledHook = std::function<void(const std::optional<std::pair<QString, QString>> &)>;

    // installedApps finds the copy an uninstall moves to the Trash.
    UpdateCoordinator(std::shared_ptr<AppInstaller> installer, DesktopServices services,
                      std::shared_ptr<const InstalledApps> installedApps, QObject *parent = nullptr);
    // Set once by the application at launch: the catalogue store's rescan.
    void setOnInstalled(InstalledHook hook);

    Q_INVOKABLE State state(const CatalogApp &app) const;
    Q_INVOKABLE void install(const CatalogApp &app);
    Q_INVOKABLE void uninstall(const CatalogApp &app);
    // Puts back the copy that the app's last update replaced: installing, then installed(at:) or
    // failed, like an install. Refused while the app runs, as an install is.
    Q_INVOKABLE void goBack(const CatalogApp &app);
    // The kept copy's version ("Go Back to %1"), empty when none is kept. Reads the disk; read
    // it again when the app's state changes.
    Q_INVOKABLE QString keptVersion(const CatalogApp &app) const;
    void prefetch(const QList<CatalogApp> &apps);
    Q_INVOKABLE void clearAppToQuitFirst();

    // Stops the app's download (for an install or a pre-download) and puts the app back in the
    // state it had before; what arrived stays for the next attempt. An install past its
    // download goes on.
    Q_INVOKABLE void cancel(const CatalogApp &app);
    // The same for every download, when the program quits.
    void cancelAll();
    // An install or uninstall of the app runs: its buttons wait.
    Q_INVOKABLE bool isBusy(const CatalogApp &app) const;
    // Some app's install or uninstall runs.
    bool isWorking() const { return !m_installing.isEmpty() || !m_uninstalling.isEmpty(); }
    // Only a background pre-download runs: the installed copy can still be opened or uninstalled.
    Q_INVOKABLE bool isPrefetching(const CatalogApp &app) const;
    // The app's download in flight; hasTransfer() is false when none runs.
    Q_INVOKABLE bool hasTransfer(const QString &appID) const { return m_transfers.contains(appID); }
    Q_INVOKABLE Transfer transfer(const QString &appID) const;
    // After each catalogue load: cached images older than the catalogue's versions go.
    void catalogueLoaded(const QList<CatalogApp> &apps);
    // Starts the installed bundle's program detached; nothing when path is empty.
    Q_INVOKABLE void openApp(const QString &bundlePath);

    // Applies one progress report of the installer to the app's state.
    void apply(const AppInstaller::Step &step, const QString &appID);

    std::optional<CatalogApp> appToQuitFirst() const { return m_appToQuitFirst; }
    bool hasAppToQuitFirst() const { return m_appToQuitFirst.has_value(); }

Q_SIGNALS:
    void stateChanged(const QString &appID);
    void appToQuitFirstChanged();
    // transfer(appID) or hasTransfer(appID) changed.
    void transferChanged(const QString &appID);
    // isBusy() or isPrefetching() of the app changed.
    void activityChanged(const QString &appID);

private:
    CatalogApp appToQuitFirstOrEmpty() const;

    void setState(const QString &appID, const State &state);
    void setAppToQuitFirst(const std::optional<CatalogApp> &app);
    bool isRunning(const CatalogApp &app) const;
    // Reports reach the app's state only while *open: they travel as events of their own, and
    // one that arrives after its operation ended must not take the app back.
    AppInstaller::Progress progressReporter(const QString &appID, std::shared_ptr<const bool> open);
    void finishInstall(const CatalogApp &app, const AppInstaller::Outcome<QString> &installed);

    bool isFetching(const QString &appID) const;
    void updateTransfer(const QString &appID, const AppInstaller::Step &step);
    void publishTransfer(const QString &appID);
    void endTransfer(const QString &appID);
    void setInstalling(const QString &appID, bool installing);
    void beginOperation(const CatalogApp &app);
    void restoreState(const QString &appID);

    QCoro::Task<> runInstall(CatalogApp app);
    QCoro::Task<> runPrefetch(CatalogApp app);
    QCoro::Task<> runUninstall(QString appID, QString bundleID, QString location);
    QCoro::Task<> runGoBack(CatalogApp app);

    std::shared_ptr<AppInstaller> m_installer;
    DesktopServices m_services;
    std::shared_ptr<const InstalledApps> m_installedApps;
    QHash<QString, State> m_states;
    std::optional<CatalogApp> m_appToQuitFirst;
    QSet<QString> m_running;  // apps with a prefetch download in flight
    QSet<QString> m_installing;      // apps with an install in flight
    QSet<QString> m_installFetches;  // ... whose download is in flight
    QSet<QString> m_uninstalling;
    QHash<QString, State> m_stateBefore;  // before the app's operation in flight, for cancelling
    InstalledHook m_onInstalled;

    struct TransferTrack {
        TransferMeter meter;
        Transfer latest;
        QElapsedTimer sincePublished;  // invalid until the first record
        bool pending = false;          // latest is newer than what transfer() gives
    };
    QHash<QString, TransferTrack> m_tracks;
    QHash<QString, Transfer> m_transfers;  // the published records
    QElapsedTimer m_clock;
};

Q_DECLARE_METATYPE(UpdateCoordinatorState)
