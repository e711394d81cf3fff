#pragma once

#include "catalog/Catalog.h"
#include "service/CatalogService.h"
#include "service/InstalledApp.h"
#include "service/InstalledApps.h"

#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QUuid>
#include <QVariantList>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <optional>

// CatalogStore::Phase: where loading stands.
struct CatalogStorePhase {
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind CONSTANT)
    Q_PROPERTY(CatalogService::Origin::Kind originKind READ originKind CONSTANT)
    Q_PROPERTY(QDateTime cachedAt READ cachedAt CONSTANT)
    Q_PROPERTY(QString message MEMBER message CONSTANT)
public:
    enum class Kind { Loading, Loaded, Failed };
    Q_ENUM(Kind)
    Kind kind = Kind::Loading;
    CatalogService::Origin origin;  // only for Loaded
    QString message;                // only for Failed

    static CatalogStorePhase loading() { return {}; }
    static CatalogStorePhase loaded(CatalogService::Origin origin) { return {Kind::Loaded, origin, {}}; }
    static CatalogStorePhase failed(QString message) { return {Kind::Failed, {}, std::move(message)}; }
    CatalogService::Origin::Kind originKind() const { return origin.kind; }
    QDateTime cachedAt() const { return origin.cachedAt; }
    friend bool operator==(const CatalogStorePhase &, const CatalogStorePhase &) = default;
};

// CatalogStore::Toast: the transient message that reports a refresh.
struct CatalogStoreToast {
    Q_GADGET
    Q_PROPERTY(QUuid id MEMBER id CONSTANT)
    Q_PROPERTY(QString text MEMBER text CONSTANT)
    Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
    Q_PROPERTY(bool isWarning MEMBER isWarning CONSTANT)
public:
    QUuid id;
    QString text;
    QString symbol;
    bool isWarning = false;
    friend bool operator==(const CatalogStoreToast &, const CatalogStoreToast &) = default;
};

// CatalogStore::Filter: the sidebar section. Views compare and bind it as a value.
struct CatalogStoreFilter {
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind CONSTANT)
    Q_PROPERTY(QString categoryID MEMBER categoryID CONSTANT)
public:
    enum class Kind { All, Updates, Featured, Category };
    Q_ENUM(Kind)
    Kind kind = Kind::All;
    QString categoryID;  // only for Category

    static CatalogStoreFilter all() { return {}; }
    static CatalogStoreFilter updates() { return {Kind::Updates, {}}; }
    static CatalogStoreFilter featured() { return {Kind::Featured, {}}; }
    static CatalogStoreFilter category(QString id) { return {Kind::Category, std::move(id)}; }
    Q_INVOKABLE bool equals(const CatalogStoreFilter &other) const { return *this == other; }
    // The same section: the same kind and, for a category, the same id.
    friend bool operator==(const CatalogStoreFilter &a, const CatalogStoreFilter &b)
    {
        return a.kind == b.kind && (a.kind != Kind::Category || a.categoryID == b.categoryID);
    }
};

// The one observable object the window reads: the catalogue, the installed copies, the loading
// phase, the user's section, search and selection, and the toast. Lives on the window's thread.
// Setters notify only when the value changes; phase notifies on every assignment.
class CatalogStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(Catalog catalog READ catalog NOTIFY catalogChanged)
    Q_PROPERTY(CatalogStoreToast toast READ toastOrEmpty NOTIFY toastChanged)
    Q_PROPERTY(bool hasToast READ hasToast NOTIFY toastChanged)
    Q_PROPERTY(CatalogStorePhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(CatalogStoreFilter filter READ filter WRITE setFilter NOTIFY filterChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(QString selectedAppID READ selectedAppIDOrEmpty WRITE selectAppFromView NOTIFY selectedAppIDChanged)
    Q_PROPERTY(CatalogApp selectedApp READ selectedAppOrEmpty NOTIFY selectedAppChanged)
    Q_PROPERTY(bool hasSelectedApp READ hasSelectedApp NOTIFY selectedAppChanged)
    // Derived lists (QVariantList of CatalogApp), recomputed on every read.
    Q_PROPERTY(QVariantList visibleApps READ visibleAppsForView NOTIFY visibleAppsChanged)
    Q_PROPERTY(QVariantList updatableApps READ updatableAppsForView NOTIFY updatableAppsChanged)
    Q_PROPERTY(QVariantList featuredApps READ featuredAppsForView NOTIFY catalogChanged)
    Q_PROPERTY(QString filterTitle READ filterTitle NOTIFY filterTitleChanged)
    // bundle identifier -> installed version, so views can follow rescans.
    Q_PROPERTY(QVariantMap installedVersions READ installedVersionsForView NOTIFY installedChanged)

public:
    // The value types live outside the class (moc cannot read gadgets nested in a QObject);
    // C++ code names them as members.
    using Phase = CatalogStorePhase;
    using Toast = CatalogStoreToast;
    using Filter = CatalogStoreFilter;

    // How the store finds installed copies. The program reads the file system through
    // InstalledApps; tests put fakes here.
    struct InstalledScanner {
        // bundle identifier -> installed copy, for the identifiers found installed.
        std::function<QHash<QString, InstalledApp>(const QStringList &bundleIDs)> scan;
        // The bundle at bundlePath, when it is a readable copy of bundleID.
        std::function<std::optional<InstalledApp>(const QString &bundlePath, const QString &bundleID)> readBundle;

        static InstalledScanner from(InstalledApps apps);
    };

    // How long a toast stays; tests replace the sleep rather than shorten it.
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds toastLifetime{2500};

    CatalogStore(CatalogService *service, InstalledApps installedApps, QObject *parent = nullptr);
    CatalogStore(CatalogService *service, InstalledScanner scanner, QObject *parent = nullptr);
    explicit CatalogStore(CatalogService *service, QObject *parent = nullptr);
    ~CatalogStore() override;

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

    QCoro::Task<> load();
    QCoro::Task<> refresh();
    void rescanInstalled(const std::optional<std::pair<QString, QString>> &justInstalled);

    std::optional<CatalogApp> selectedApp() const;

    Q_INVOKABLE QString installedVersion(const CatalogApp &app) const;   // empty: not installed
    Q_INVOKABLE QString installedLocation(const CatalogApp &app) const;  // empty: not installed
    Q_INVOKABLE bool hasUpdate(const CatalogApp &app) const;
    QList<CatalogApp> updatableApps() const;
    QList<CatalogApp> featuredApps() const;
    QList<CatalogApp> visibleApps() const;
    QString filterTitle() const;

    // For views: start a refresh without awaiting it (menu command, Try Again).
    Q_INVOKABLE void startRefresh();
    Q_INVOKABLE CatalogStoreFilter allFilter() const { return Filter::all(); }
    Q_INVOKABLE CatalogStoreFilter updatesFilter() const { return Filter::updates(); }
    Q_INVOKABLE CatalogStoreFilter featuredFilter() const { return Filter::featured(); }
    Q_INVOKABLE CatalogStoreFilter categoryFilter(const QString &id) const { return Filter::category(id); }

    // The toast that reports a refresh whose load ended in phase; none while still loading.
    // Each call makes a toast with a fresh id.
    static std::optional<Toast> refreshToast(const Phase &phase, bool catalogChanged);

    // Tests replace the toast's wait; the product sleeps toastLifetime on a monotonic clock.
    void setToastSleep(std::function<QCoro::Task<>(std::chrono::milliseconds)> sleep);

Q_SIGNALS:
    void catalogChanged();
    void toastChanged();
    void installedChanged();
    void phaseChanged();
    void filterChanged();
    void searchTextChanged();
    void selectedAppIDChanged();
    void selectedAppChanged();
    void visibleAppsChanged();
    void updatableAppsChanged();
    void filterTitleChanged();
    // A refresh has ended, its toast's lifetime included (the toolbar prefetches then).
    void refreshFinished();

private:
    void setCatalog(Catalog catalog);
    void setInstalled(QHash<QString, InstalledApp> installed);
    void setPhase(Phase phase);
    void setToast(std::optional<Toast> toast);
    QCoro::Task<> dismissToastLater();

    std::optional<QString> optionalInstalledVersion(const CatalogApp &app) const;
    QString selectedAppIDOrEmpty() const;
    void selectAppFromView(const QString &id);
    CatalogApp selectedAppOrEmpty() const;
    bool hasSelectedApp() const;
    Toast toastOrEmpty() const;
    bool hasToast() const;
    QVariantList visibleAppsForView() const;
    QVariantList updatableAppsForView() const;
    QVariantList featuredAppsForView() const;
    QVariantMap installedVersionsForView() const;

    struct Private;
    std::unique_ptr<Private> d;
};

size_t qHash(const CatalogStoreFilter &filter, size_t seed = 0);

Q_DECLARE_METATYPE(CatalogStorePhase)
Q_DECLARE_METATYPE(CatalogStoreToast)
Q_DECLARE_METATYPE(CatalogStoreFilter)
