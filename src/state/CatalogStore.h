#pragma once

#include "catalog/Catalog.h"
#include "service/CatalogService.h"
#include "service/InstalledApp.h"
#include "service/InstalledApps.h"
#include "state/AppListModel.h"
#include "state/AppSearch.h"
#include "state/CatalogStoreTypes.h"
#include "state/SectionListModel.h"
#include "state/UpdateCoordinator.h"

#include <QCoroTask>
#include <QHash>
#include <QObject>

#include <chrono>
#include <memory>
#include <optional>

// The one observable object the window reads: the catalogue, the installed copies, the loading
// phase, the user's section, search and selection, and the toast; and, for the views, the lists
// derived from them as models. Lives on the window's thread. Setters notify only when the
// value changes; phase notifies on every assignment.
class CatalogStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(CatalogStoreToast toast READ toastOrEmpty NOTIFY toastChanged)
    Q_PROPERTY(bool hasToast READ hasToast NOTIFY toastChanged)
    Q_PROPERTY(CatalogStorePhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(CatalogStoreFilter filter READ filter WRITE setFilter NOTIFY filterChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(QString selectedAppID READ selectedAppIDOrEmpty WRITE selectAppFromView NOTIFY selectedAppIDChanged)
    Q_PROPERTY(bool hasSelectedApp READ hasSelectedApp NOTIFY selectedAppChanged)
    Q_PROPERTY(QString filterTitle READ filterTitle NOTIFY filterTitleChanged)
    // The sizes of the catalogue, of the featured apps and of the apps with updates.
    Q_PROPERTY(int appCount READ appCount NOTIFY catalogChanged)
    Q_PROPERTY(int featuredCount READ featuredCount NOTIFY catalogChanged)
    Q_PROPERTY(int updatableCount READ updatableCount NOTIFY updatableCountChanged)
    // The grid's apps: the section's, kept by the search, by name.
    Q_PROPERTY(AppListModel *visibleApps READ visibleAppsModel CONSTANT)
    // The selected app as one row, or none; it may be an app the grid does not show.
    Q_PROPERTY(AppListModel *selection READ selectionModel CONSTANT)
    Q_PROPERTY(SectionListModel *sections READ sectionsModel CONSTANT)

public:
    using Phase = CatalogStorePhase;
    using Toast = CatalogStoreToast;
    using Filter = CatalogStoreFilter;

    // What a load is for. The launch loads quietly and then hands the apps with updates to the
    // coordinator; a refresh reports its outcome with a toast and ends when the toast has gone,
    // and the toolbar's refresh then hands them over too.
    enum class LoadKind { Launch, Refresh, RefreshThenPrefetch };
    Q_ENUM(LoadKind)

    // How the store waits out a toast's lifetime: the program sleeps on the monotonic clock;
    // tests end the wait when they choose.
    class ToastClock {
    public:
        virtual ~ToastClock() = default;
        virtual QCoro::Task<> sleep(std::chrono::milliseconds duration) = 0;
        // Ends every sleep at once: the store has gone, and no event loop may come to end them.
        virtual void wakeAll() {}
    };
    static constexpr std::chrono::milliseconds toastLifetime{2500};

    CatalogStore(CatalogService *service, std::shared_ptr<const InstalledApps> installedApps,
                 std::shared_ptr<ToastClock> toastClock = nullptr, QObject *parent = nullptr);
    ~CatalogStore() override;

    // After construction, once: the rows show this coordinator's install states, and loads
    // that ask for it prefetch through it.
    void setUpdates(UpdateCoordinator *updates);
    const UpdateCoordinator *updates() const;

    const Catalog &catalog() const;
    const std::optional<Toast> &toast() const;
    const QHash<QString, InstalledApp> &installed() const;
    const Phase &phase() const;
    const Filter &filter() const;
    const QString &searchText() const;
    const std::optional<QString> &selectedAppID() const;

    void setFilter(const Filter &filter);
    void setSearchText(const QString &text);
    void setSelectedAppID(const std::optional<QString> &id);

    // Loads the catalogue, then the installed apps, then applies the selection rule; then does
    // what the kind asks. A load that finishes after a load started later has published shows
    // nothing of its own.
    QCoro::Task<> load(LoadKind kind);
    // The same, left to run on by itself: for the views, the menu and the launch.
    Q_INVOKABLE void startLoad(LoadKind kind);
    // Finds the installed copies anew, off the window's thread; justInstalled (bundle
    // identifier, bundle path) is taken at its word when the scan misses it.
    QCoro::Task<> rescanInstalled(std::optional<std::pair<QString, QString>> justInstalled);

    std::optional<CatalogApp> selectedApp() const;
    std::optional<QString> installedVersion(const CatalogApp &app) const;
    QString installedLocation(const CatalogApp &app) const;  // empty: not installed
    bool hasUpdate(const CatalogApp &app) const;
    UpdateCoordinatorState installState(const CatalogApp &app) const;
    // The name of the app's category; its raw id when the catalogue lists no such category.
    QString categoryName(const CatalogApp &app) const;
    QList<CatalogApp> updatableApps() const;
    QString filterTitle() const;
    int appCount() const;
    int featuredCount() const;
    int updatableCount() const;

    AppListModel *visibleAppsModel() const;
    AppListModel *selectionModel() const;
    SectionListModel *sectionsModel() const;

    // The toast that reports a refresh whose load ended in phase; none while still loading.
    // Each call makes a toast with a fresh id.
    static std::optional<Toast> refreshToast(const Phase &phase, bool catalogChanged);

Q_SIGNALS:
    void catalogChanged();
    void toastChanged();
    void installedChanged();
    void phaseChanged();
    void filterChanged();
    void searchTextChanged();
    void selectedAppIDChanged();
    void selectedAppChanged();
    void filterTitleChanged();
    void updatableCountChanged();

private:
    static QString titleOf(const Filter &filter);
    QCoro::Task<bool> loadCatalogue();
    void setCatalog(std::shared_ptr<const Catalog> catalog, std::vector<qsizetype> byName,
                    std::vector<AppSearch::TextKinds> kinds);
    void setInstalled(QHash<QString, InstalledApp> installed);
    void setPhase(Phase phase);
    void setToast(std::optional<Toast> toast);
    QCoro::Task<> dismissToastLater();
    void refreshVisibleApps();
    void refreshSections();
    void refreshSelection();

    QString selectedAppIDOrEmpty() const;
    void selectAppFromView(const QString &id);
    bool hasSelectedApp() const;
    Toast toastOrEmpty() const;
    bool hasToast() const;

    struct Private;
    std::unique_ptr<Private> d;
};
