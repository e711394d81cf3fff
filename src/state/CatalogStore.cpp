#include "state/CatalogStore.h"

#include "state/AppSearch.h"
#include "state/NameOrder.h"

#include <QCoroTimer>
#include <QHashFunctions>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace {

// QTimer's precise timers run on the monotonic clock and are not coalesced.
QCoro::Task<> sleepPrecisely(std::chrono::milliseconds duration)
{
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    timer.start(duration);
    co_await timer;
}

std::optional<QString> installedVersionIn(const QHash<QString, InstalledApp> &installed,
                                          const CatalogApp &app)
{
    if (!app.bundleID)
        return std::nullopt;
    const auto it = installed.constFind(*app.bundleID);
    if (it == installed.constEnd())
        return std::nullopt;
    return it->version;
}

bool hasUpdateIn(const QHash<QString, InstalledApp> &installed, const CatalogApp &app)
{
    const std::optional<QString> version = installedVersionIn(installed, app);
    return version && InstalledApps::isUpdate(app.version, *version);
}

template<typename Keep>
std::vector<const CatalogApp *> appsWhere(const QList<CatalogApp> &apps, Keep keep)
{
    std::vector<const CatalogApp *> kept;
    for (const CatalogApp &app : apps) {
        if (keep(app))
            kept.push_back(&app);
    }
    return kept;
}

QList<CatalogApp> copied(const std::vector<const CatalogApp *> &apps)
{
    QList<CatalogApp> list;
    list.reserve(qsizetype(apps.size()));
    for (const CatalogApp *app : apps)
        list.append(*app);
    return list;
}

QVariantList forView(const std::vector<const CatalogApp *> &apps)
{
    QVariantList list;
    list.reserve(qsizetype(apps.size()));
    for (const CatalogApp *app : apps)
        list.append(QVariant::fromValue(*app));
    return list;
}

} // namespace

struct CatalogStore::Private {
    Private(CatalogService *service, InstalledScanner scanner)
        : service(service), scanner(std::move(scanner))
    {
    }

    CatalogService *service;
    InstalledScanner scanner;
    std::function<QCoro::Task<>(std::chrono::milliseconds)> sleep = sleepPrecisely;

    Catalog catalog = Catalog::empty(QDateTime::currentDateTimeUtc());
    std::optional<Toast> toast;
    QHash<QString, InstalledApp> installed;
    Phase phase = Phase::loading();
    Filter filter = Filter::all();
    QString searchText;
    std::optional<QString> selectedAppID;

    const CatalogApp *selectedApp() const
    {
        if (!selectedAppID)
            return nullptr;
        const auto it = std::find_if(catalog.apps.cbegin(), catalog.apps.cend(),
                                     [&](const CatalogApp &app) { return app.id == *selectedAppID; });
        return it == catalog.apps.cend() ? nullptr : &*it;
    }

    std::vector<const CatalogApp *> sectionApps() const
    {
        const QList<CatalogApp> &apps = catalog.apps;
        switch (filter.kind) {
        case Filter::Kind::All:
            return appsWhere(apps, [](const CatalogApp &) { return true; });
        case Filter::Kind::Updates:
            return appsWhere(apps, [&](const CatalogApp &app) { return hasUpdateIn(installed, app); });
        case Filter::Kind::Featured:
            return appsWhere(apps, [](const CatalogApp &app) { return app.isFeatured; });
        case Filter::Kind::Category:
            return appsWhere(apps, [&](const CatalogApp &app) { return app.categoryID == filter.categoryID; });
        }
        return {};
    }

    // The section's apps that the search keeps, by name.
    std::vector<const CatalogApp *> visibleApps() const
    {
        std::vector<const CatalogApp *> apps = sectionApps();
        const AppSearch::Query query(searchText);
        if (!query.isEmpty()) {
            const auto missing = [&](const CatalogApp *app) { return !query.matches(*app); };
            apps.erase(std::remove_if(apps.begin(), apps.end(), missing), apps.end());
        }
        NameOrder::sort(apps);
        return apps;
    }
};

namespace {

// Reports a change of the selected app's value, whatever caused it, when it is destroyed.
class SelectedAppWatch {
public:
    explicit SelectedAppWatch(CatalogStore *store) : m_store(store), m_before(store->selectedApp()) {}
    ~SelectedAppWatch()
    {
        if (m_store->selectedApp() != m_before)
            Q_EMIT m_store->selectedAppChanged();
    }
    SelectedAppWatch(const SelectedAppWatch &) = delete;
    SelectedAppWatch &operator=(const SelectedAppWatch &) = delete;

private:
    CatalogStore *m_store;
    std::optional<CatalogApp> m_before;
};

} // namespace

CatalogStore::InstalledScanner CatalogStore::InstalledScanner::from(InstalledApps apps)
{
    return {[apps](const QStringList &bundleIDs) { return apps.scan(bundleIDs); },
            [apps](const QString &path, const QString &bundleID) { return apps.app(path, bundleID); }};
}

CatalogStore::CatalogStore(CatalogService *service, InstalledScanner scanner, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>(service, std::move(scanner)))
{
}

CatalogStore::CatalogStore(CatalogService *service, InstalledApps installedApps, QObject *parent)
    : CatalogStore(service, InstalledScanner::from(std::move(installedApps)), parent)
{
}

CatalogStore::CatalogStore(CatalogService *service, QObject *parent)
    : CatalogStore(service, InstalledApps(), parent)
{
}

CatalogStore::~CatalogStore() = default;

const Catalog &CatalogStore::catalog() const { return d->catalog; }
const std::optional<CatalogStore::Toast> &CatalogStore::toast() const { return d->toast; }
const QHash<QString, InstalledApp> &CatalogStore::installed() const { return d->installed; }
const CatalogStore::Phase &CatalogStore::phase() const { return d->phase; }
const CatalogStore::Filter &CatalogStore::filter() const { return d->filter; }
const QString &CatalogStore::searchText() const { return d->searchText; }
const std::optional<QString> &CatalogStore::selectedAppID() const { return d->selectedAppID; }

void CatalogStore::setFilter(const Filter &filter)
{
    if (filter == d->filter)
        return;
    d->filter = filter;
    Q_EMIT filterChanged();
    Q_EMIT filterTitleChanged();
    Q_EMIT visibleAppsChanged();
}

void CatalogStore::setSearchText(const QString &text)
{
    if (text == d->searchText)
        return;
    d->searchText = text;
    Q_EMIT searchTextChanged();
    Q_EMIT visibleAppsChanged();
}

void CatalogStore::setSelectedAppID(const std::optional<QString> &id)
{
    if (id == d->selectedAppID)
        return;
    SelectedAppWatch watch(this);
    d->selectedAppID = id;
    Q_EMIT selectedAppIDChanged();
}

void CatalogStore::selectAppFromView(const QString &id)
{
    setSelectedAppID(id.isEmpty() ? std::nullopt : std::optional<QString>(id));
}

void CatalogStore::setCatalog(Catalog catalog)
{
    if (catalog == d->catalog)
        return;
    SelectedAppWatch watch(this);
    d->catalog = std::move(catalog);
    Q_EMIT catalogChanged();
    Q_EMIT updatableAppsChanged();
    Q_EMIT visibleAppsChanged();
    Q_EMIT filterTitleChanged();
}

void CatalogStore::setInstalled(QHash<QString, InstalledApp> installed)
{
    if (installed == d->installed)
        return;
    d->installed = std::move(installed);
    Q_EMIT installedChanged();
    Q_EMIT updatableAppsChanged();
    Q_EMIT visibleAppsChanged();
}

void CatalogStore::setPhase(Phase phase)
{
    d->phase = std::move(phase);
    Q_EMIT phaseChanged();
}

void CatalogStore::setToast(std::optional<Toast> toast)
{
    if (toast == d->toast)
        return;
    d->toast = std::move(toast);
    Q_EMIT toastChanged();
}

QCoro::Task<> CatalogStore::load()
{
    // The store outlives every load in the program; the guard keeps a test's early teardown safe.
    const QPointer<CatalogStore> self(this);
    setPhase(Phase::loading());
    CatalogService::Result result = co_await d->service->load();
    if (!self)
        co_return;
    setCatalog(std::move(result.catalog));
    setPhase(Phase::loaded(result.origin));
    rescanInstalled(std::nullopt);
    if (d->selectedAppID && !d->selectedApp())
        setSelectedAppID(std::nullopt);
}

QCoro::Task<> CatalogStore::refresh()
{
    const QPointer<CatalogStore> self(this);
    const Catalog before = d->catalog;
    co_await load();
    if (!self)
        co_return;
    setToast(refreshToast(d->phase, d->catalog != before));
    co_await dismissToastLater();
    if (self)
        Q_EMIT refreshFinished();
}

QCoro::Task<> CatalogStore::dismissToastLater()
{
    const QPointer<CatalogStore> self(this);
    const std::optional<QUuid> noted = d->toast ? std::optional(d->toast->id) : std::nullopt;
    // A copy, so that a lambda's captures outlive its sleep whatever happens to the store.
    const auto sleep = d->sleep;
    co_await sleep(toastLifetime);
    if (!self)
        co_return;
    const std::optional<QUuid> shown = d->toast ? std::optional(d->toast->id) : std::nullopt;
    // A newer refresh's toast has its own timer.
    if (shown == noted)
        setToast(std::nullopt);
}

void CatalogStore::startRefresh()
{
    // A QCoro task runs on by itself when its Task object is dropped, and frees itself at the end.
    [[maybe_unused]] QCoro::Task<> running = refresh();
}

std::optional<CatalogStore::Toast> CatalogStore::refreshToast(const Phase &phase, bool catalogChanged)
{
    const auto make = [](QString text, const char *symbol, bool isWarning) {
        return Toast{QUuid::createUuid(), std::move(text), QString::fromLatin1(symbol), isWarning};
    };
    switch (phase.kind) {
    case Phase::Kind::Loading:
        return std::nullopt;
    case Phase::Kind::Failed:
        return make(phase.message, "exclamationmark.triangle", true);
    case Phase::Kind::Loaded:
        break;
    }
    switch (phase.origin.kind) {
    case CatalogService::Origin::Kind::Network:
        return catalogChanged ? make(tr("Catalogue updated"), "arrow.down.circle", false)
                              : make(tr("Catalogue is up to date"), "checkmark.circle", false);
    case CatalogService::Origin::Kind::Cache:
        return make(tr("Offline. Showing the last saved catalogue."), "internaldrive", true);
    case CatalogService::Origin::Kind::Bundled:
        return make(tr("Offline. Showing the built-in catalogue."), "shippingbox", true);
    }
    return std::nullopt;
}

void CatalogStore::setToastSleep(std::function<QCoro::Task<>(std::chrono::milliseconds)> sleep)
{
    d->sleep = std::move(sleep);
}

void CatalogStore::rescanInstalled(const std::optional<std::pair<QString, QString>> &justInstalled)
{
    QStringList bundleIDs;
    for (const CatalogApp &app : d->catalog.apps) {
        if (app.bundleID)
            bundleIDs.append(*app.bundleID);
    }
    QHash<QString, InstalledApp> scanned = d->scanner.scan(bundleIDs);
    // The scan may miss a bundle that was installed a moment ago (the desktop has not
    // registered it yet): then read the reported bundle itself. A scan hit stands.
    if (justInstalled && !scanned.contains(justInstalled->first)) {
        const auto &[bundleID, location] = *justInstalled;
        const std::optional<InstalledApp> app = d->scanner.readBundle(location, bundleID);
        if (app && app->bundleID == bundleID)
            scanned.insert(bundleID, *app);
    }
    setInstalled(std::move(scanned));
}

std::optional<CatalogApp> CatalogStore::selectedApp() const
{
    const CatalogApp *app = d->selectedApp();
    return app ? std::optional(*app) : std::nullopt;
}

std::optional<QString> CatalogStore::optionalInstalledVersion(const CatalogApp &app) const
{
    return installedVersionIn(d->installed, app);
}

QString CatalogStore::installedVersion(const CatalogApp &app) const
{
    return optionalInstalledVersion(app).value_or(QString());
}

QString CatalogStore::installedLocation(const CatalogApp &app) const
{
    if (!app.bundleID)
        return {};
    return d->installed.value(*app.bundleID).location;
}

bool CatalogStore::hasUpdate(const CatalogApp &app) const { return hasUpdateIn(d->installed, app); }

QList<CatalogApp> CatalogStore::updatableApps() const
{
    return copied(appsWhere(d->catalog.apps, [&](const CatalogApp &app) { return hasUpdate(app); }));
}

QList<CatalogApp> CatalogStore::featuredApps() const
{
    return copied(appsWhere(d->catalog.apps, [](const CatalogApp &app) { return app.isFeatured; }));
}

QList<CatalogApp> CatalogStore::visibleApps() const { return copied(d->visibleApps()); }

QString CatalogStore::filterTitle() const
{
    switch (d->filter.kind) {
    case Filter::Kind::All:
        return tr("All Apps");
    case Filter::Kind::Updates:
        return tr("Updates");
    case Filter::Kind::Featured:
        return tr("Featured");
    case Filter::Kind::Category:
        break;
    }
    const QList<Category> &categories = d->catalog.categories;
    const auto it = std::find_if(categories.cbegin(), categories.cend(),
                                 [&](const Category &c) { return c.id == d->filter.categoryID; });
    return it == categories.cend() ? tr("Apps") : it->name;
}

QString CatalogStore::selectedAppIDOrEmpty() const { return d->selectedAppID.value_or(QString()); }

CatalogApp CatalogStore::selectedAppOrEmpty() const
{
    const CatalogApp *app = d->selectedApp();
    return app ? *app : CatalogApp();
}

bool CatalogStore::hasSelectedApp() const { return d->selectedApp() != nullptr; }

CatalogStore::Toast CatalogStore::toastOrEmpty() const { return d->toast.value_or(Toast()); }

bool CatalogStore::hasToast() const { return d->toast.has_value(); }

QVariantList CatalogStore::visibleAppsForView() const { return forView(d->visibleApps()); }

QVariantList CatalogStore::updatableAppsForView() const
{
    return forView(appsWhere(d->catalog.apps, [&](const CatalogApp &app) { return hasUpdate(app); }));
}

QVariantList CatalogStore::featuredAppsForView() const
{
    return forView(appsWhere(d->catalog.apps, [](const CatalogApp &app) { return app.isFeatured; }));
}

QVariantMap CatalogStore::installedVersionsForView() const
{
    QVariantMap versions;
    for (auto it = d->installed.constBegin(); it != d->installed.constEnd(); ++it)
        versions.insert(it.key(), it->version);
    return versions;
}

size_t qHash(const CatalogStoreFilter &filter, size_t seed)
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, int(filter.kind));
    if (filter.kind == CatalogStore::Filter::Kind::Category)
        seed = combine(seed, filter.categoryID);
    return seed;
}
