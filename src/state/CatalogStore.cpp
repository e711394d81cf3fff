#include "state/CatalogStore.h"

#include "state/AppSearch.h"
#include "state/NameOrder.h"

#include <QCoroFuture>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <coroutine>

namespace {

using JustInstalled = std::optional<std::pair<QString, QString>>;

// QTimer's precise timers run on the monotonic clock and are not coalesced. A sleep ends when
// its timer fires or when wakeAll() is called, whichever comes first.
class PreciseClock : public CatalogStore::ToastClock {
public:
    PreciseClock() = default;
    PreciseClock(const PreciseClock &) = delete;
    PreciseClock &operator=(const PreciseClock &) = delete;
    ~PreciseClock() override { qDeleteAll(m_waiting.keys()); }

    QCoro::Task<> sleep(std::chrono::milliseconds duration) override { co_await Sleep{this, duration}; }

    void wakeAll() override
    {
        while (!m_waiting.isEmpty()) {
            QTimer *timer = m_waiting.begin().key();
            const std::coroutine_handle<> waiting = m_waiting.take(timer);
            delete timer;
            waiting.resume();
        }
    }

private:
    struct Sleep {
        PreciseClock *clock;
        std::chrono::milliseconds duration;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiting) { clock->start(waiting, duration); }
        void await_resume() const noexcept {}
    };

    void start(std::coroutine_handle<> waiting, std::chrono::milliseconds duration)
    {
        auto *timer = new QTimer;
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer] {
            const std::coroutine_handle<> waiting = m_waiting.take(timer);
            timer->deleteLater();  // it is the one firing
            waiting.resume();
        });
        m_waiting.insert(timer, waiting);
        timer->start(duration);
    }

    QHash<QTimer *, std::coroutine_handle<>> m_waiting;
};

std::optional<QString> installedVersionIn(const QHash<QString, InstalledApp> &installed, const CatalogApp &app)
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

QStringList bundleIDsOf(const Catalog &catalog)
{
    QStringList bundleIDs;
    for (const CatalogApp &app : catalog.apps) {
        if (app.bundleID)
            bundleIDs.append(*app.bundleID);
    }
    return bundleIDs;
}

// The bundle identifiers whose installed copy differs between the two.
QSet<QString> changedBetween(const QHash<QString, InstalledApp> &a, const QHash<QString, InstalledApp> &b)
{
    QSet<QString> changed;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        if (b.value(it.key()) != it.value())
            changed.insert(it.key());
    }
    for (auto it = b.cbegin(); it != b.cend(); ++it) {
        if (!a.contains(it.key()))
            changed.insert(it.key());
    }
    return changed;
}

} // namespace

// From this many apps on, a search is split between two threads: below it, starting the second
// costs about what it saves.
constexpr size_t searchSplitFrom = 2000;

struct CatalogStore::Private {
    CatalogService *service;
    std::shared_ptr<const InstalledApps> installedApps;
    std::shared_ptr<ToastClock> toastClock;
    QPointer<UpdateCoordinator> updates;
    // The file-system reads of rescans, one at a time, away from the window's thread.
    QThreadPool scanPool;

    std::shared_ptr<const Catalog> catalog = std::make_shared<const Catalog>(Catalog::empty());
    std::vector<qsizetype> byName;             // catalogue indices in the grid's order
    std::vector<AppSearch::TextKinds> kinds;   // per catalogue app
    qsizetype featuredCount = 0;
    qsizetype updatableCount = 0;
    qsizetype selectedIndex = -1;
    std::optional<Toast> toast;
    QHash<QString, InstalledApp> installed;
    Phase phase = Phase::loading();
    Filter filter = Filter::all();
    QString searchText;
    std::optional<QString> selectedAppID;

    // Loads and scans are numbered as they start. One that ends after a later-started one has
    // published is out of date and publishes nothing.
    quint64 loadsStarted = 0;
    quint64 newestPublishedLoad = 0;
    quint64 scansStarted = 0;
    quint64 newestPublishedScan = 0;
    quint64 catalogueNumber = 0;  // counts the catalogues published

    AppListModel *visible = nullptr;
    AppListModel *selection = nullptr;
    SectionListModel *sections = nullptr;

    const CatalogApp *selectedApp() const { return selectedIndex < 0 ? nullptr : &catalog->apps.at(selectedIndex); }

    bool inSection(const CatalogApp &app) const
    {
        switch (filter.kind) {
        case Filter::Kind::All:
            return true;
        case Filter::Kind::Updates:
            return hasUpdateIn(installed, app);
        case Filter::Kind::Featured:
            return app.isFeatured;
        case Filter::Kind::Category:
            return app.categoryID == filter.categoryID;
        }
        return false;
    }

    // The section's apps that the search keeps, by name. A search through a large catalogue
    // reads its two halves side by side, the second on a pool thread: every member it reads
    // stays as it is until the result is in. With no thread free, result() reads it here.
    std::vector<qsizetype> visibleRows() const
    {
        const AppSearch::Query query(searchText);
        if (query.isEmpty() || byName.size() < searchSplitFrom)
            return rowsIn(0, byName.size(), query);
        const size_t half = byName.size() / 2;
        QFuture<std::vector<qsizetype>> second =
            QtConcurrent::run([this, &query, half] { return rowsIn(half, byName.size(), query); });
        std::vector<qsizetype> rows = rowsIn(0, half, query);
        const std::vector<qsizetype> rest = second.result();
        rows.insert(rows.end(), rest.begin(), rest.end());
        return rows;
    }

    // Of the apps from first to last in name order, those that the section and the query keep.
    // An app's texts lie apart from each other and from the app: a search asks for those of the
    // apps a few places ahead while it reads the current one, rather than wait for each.
    std::vector<qsizetype> rowsIn(size_t first, size_t last, const AppSearch::Query &query) const
    {
        constexpr size_t ahead = 8;
        const QList<CatalogApp> &apps = catalog->apps;
        std::vector<qsizetype> rows;
        for (size_t n = first; n < last; ++n) {
            if (!query.isEmpty()) {
                if (n + 2 * ahead < last)
                    __builtin_prefetch(&apps.at(byName[n + 2 * ahead]));
                if (n + ahead < last) {
                    const CatalogApp &soon = apps.at(byName[n + ahead]);
                    for (const QString *text : {&soon.name, &soon.tagline, &soon.description})
                        __builtin_prefetch(text->constData());
                }
            }
            const qsizetype i = byName[n];
            const CatalogApp &app = apps.at(i);
            if (inSection(app) && (query.isEmpty() || query.matches(app, kinds[size_t(i)])))
                rows.push_back(i);
        }
        return rows;
    }

    // What a new catalogue needs before it is shown, worked out on the worker thread: the
    // installed copies of its apps, its order by name and the kinds of its texts.
    struct Prepared {
        QHash<QString, InstalledApp> installed;
        std::vector<qsizetype> byName;
        std::vector<AppSearch::TextKinds> kinds;
    };

    static Prepared prepared(const InstalledApps &apps, const Catalog &next)
    {
        Prepared prepared{apps.scan(bundleIDsOf(next)), NameOrder::byName(next.apps), {}};
        prepared.kinds.reserve(size_t(next.apps.size()));
        for (const CatalogApp &app : next.apps)
            prepared.kinds.push_back(AppSearch::TextKinds::of(app));
        return prepared;
    }

    QCoro::Task<Prepared> prepare(std::shared_ptr<const Catalog> next)
    {
        QFuture<Prepared> job =
            QtConcurrent::run(&scanPool, [apps = installedApps, next] { return prepared(*apps, *next); });
        co_return co_await job;
    }

    // Bundle identifier -> installed copy, read on a worker thread.
    QCoro::Task<QHash<QString, InstalledApp>> scan(QStringList bundleIDs, JustInstalled justInstalled)
    {
        QFuture<QHash<QString, InstalledApp>> job =
            QtConcurrent::run(&scanPool, [apps = installedApps, bundleIDs, justInstalled] {
                QHash<QString, InstalledApp> scanned = apps->scan(bundleIDs);
                // The scan may miss a bundle that was installed a moment ago (the desktop has
                // not registered it yet): then read the reported bundle itself. A scan hit stands.
                if (justInstalled && !scanned.contains(justInstalled->first)) {
                    const auto &[bundleID, location] = *justInstalled;
                    const std::optional<InstalledApp> app = apps->app(location, bundleID);
                    if (app && app->bundleID == bundleID)
                        scanned.insert(bundleID, *app);
                }
                return scanned;
            });
        co_return co_await job;
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

CatalogStore::CatalogStore(CatalogService *service, std::shared_ptr<const InstalledApps> installedApps,
                           std::shared_ptr<ToastClock> toastClock, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->service = service;
    d->installedApps = std::move(installedApps);
    d->toastClock = toastClock ? std::move(toastClock) : std::make_shared<PreciseClock>();
    // The toast's dismissal waits on the clock; with the store gone it has nothing left to do,
    // and it ends now rather than never (the window's event loop is over by then). Waiting code
    // finds the store gone: its guards are cleared before this signal.
    connect(this, &QObject::destroyed, [clock = d->toastClock] { clock->wakeAll(); });
    d->scanPool.setMaxThreadCount(1);
    d->visible = new AppListModel(*this, this);
    d->selection = new AppListModel(*this, this);
    d->sections = new SectionListModel(this);
    refreshSections();
}

CatalogStore::~CatalogStore() = default;

void CatalogStore::setUpdates(UpdateCoordinator *updates)
{
    d->updates = updates;
    connect(updates, &UpdateCoordinator::stateChanged, this, [this](const QString &appID) {
        d->visible->installStateChanged(appID);
        d->selection->installStateChanged(appID);
    });
}

const UpdateCoordinator *CatalogStore::updates() const { return d->updates; }

const Catalog &CatalogStore::catalog() const { return *d->catalog; }
const std::optional<CatalogStore::Toast> &CatalogStore::toast() const { return d->toast; }
const QHash<QString, InstalledApp> &CatalogStore::installed() const { return d->installed; }
const CatalogStore::Phase &CatalogStore::phase() const { return d->phase; }
const CatalogStore::Filter &CatalogStore::filter() const { return d->filter; }
const QString &CatalogStore::searchText() const { return d->searchText; }
const std::optional<QString> &CatalogStore::selectedAppID() const { return d->selectedAppID; }
AppListModel *CatalogStore::visibleAppsModel() const { return d->visible; }
AppListModel *CatalogStore::selectionModel() const { return d->selection; }
SectionListModel *CatalogStore::sectionsModel() const { return d->sections; }

void CatalogStore::setFilter(const Filter &filter)
{
    if (filter == d->filter)
        return;
    d->filter = filter;
    Q_EMIT filterChanged();
    Q_EMIT filterTitleChanged();
    d->sections->setSelectedFilter(filter);
    refreshVisibleApps();
}

void CatalogStore::setSearchText(const QString &text)
{
    if (text == d->searchText)
        return;
    d->searchText = text;
    Q_EMIT searchTextChanged();
    refreshVisibleApps();
}

void CatalogStore::setSelectedAppID(const std::optional<QString> &id)
{
    if (id == d->selectedAppID)
        return;
    SelectedAppWatch watch(this);
    d->selectedAppID = id;
    Q_EMIT selectedAppIDChanged();
    d->visible->setSelectedID(id.value_or(QString()));
    refreshSelection();
}

void CatalogStore::selectAppFromView(const QString &id)
{
    setSelectedAppID(id.isEmpty() ? std::nullopt : std::optional<QString>(id));
}

void CatalogStore::setCatalog(std::shared_ptr<const Catalog> catalog, std::vector<qsizetype> byName,
                              std::vector<AppSearch::TextKinds> kinds)
{
    if (*catalog == *d->catalog)
        return;
    SelectedAppWatch watch(this);
    d->catalog = std::move(catalog);
    d->byName = std::move(byName);
    d->kinds = std::move(kinds);
    d->featuredCount = std::count_if(d->catalog->apps.cbegin(), d->catalog->apps.cend(),
                                     [](const CatalogApp &app) { return app.isFeatured; });
    ++d->catalogueNumber;
    Q_EMIT catalogChanged();
    Q_EMIT filterTitleChanged();
    const qsizetype updatable = updatableApps().size();
    if (updatable != d->updatableCount) {
        d->updatableCount = updatable;
        Q_EMIT updatableCountChanged();
    }
    refreshVisibleApps();
    refreshSections();
    refreshSelection();
}

void CatalogStore::setInstalled(QHash<QString, InstalledApp> installed)
{
    if (installed == d->installed)
        return;
    const QSet<QString> changed = changedBetween(d->installed, installed);
    d->installed = std::move(installed);
    Q_EMIT installedChanged();
    d->visible->installedChanged(changed);
    d->selection->installedChanged(changed);
    const qsizetype updatable = updatableApps().size();
    if (updatable != d->updatableCount) {
        d->updatableCount = updatable;
        Q_EMIT updatableCountChanged();
        refreshSections();
    }
    if (d->filter.kind == Filter::Kind::Updates)
        refreshVisibleApps();
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

void CatalogStore::refreshVisibleApps() { d->visible->setRows(d->catalog, d->visibleRows()); }

void CatalogStore::refreshSections()
{
    QList<SectionListModel::Section> sections = {
        {titleOf(Filter::all()), QStringLiteral("square.grid.2x2"), d->catalog->apps.size(), Filter::all(), {}},
        {titleOf(Filter::featured()), QStringLiteral("sparkles"), d->featuredCount, Filter::featured(), {}},
    };
    if (d->updatableCount > 0)
        sections.append({titleOf(Filter::updates()), QStringLiteral("arrow.down.circle"), d->updatableCount,
                         Filter::updates(), {}});
    for (const Category &category : d->catalog->categories)
        sections.append({category.name, category.symbol, d->catalog->appCount(category),
                         Filter::category(category.id), tr("Categories")});
    d->sections->setSections(std::move(sections));
    d->sections->setSelectedFilter(d->filter);
}

void CatalogStore::refreshSelection()
{
    const QList<CatalogApp> &apps = d->catalog->apps;
    const auto it = d->selectedAppID ? std::find_if(apps.cbegin(), apps.cend(),
                                                    [&](const CatalogApp &app) { return app.id == *d->selectedAppID; })
                                     : apps.cend();
    d->selectedIndex = it == apps.cend() ? -1 : it - apps.cbegin();
    d->selection->setRows(d->catalog, d->selectedIndex < 0 ? std::vector<qsizetype>() : std::vector{d->selectedIndex});
}

QCoro::Task<bool> CatalogStore::loadCatalogue()
{
    // The store outlives every load in the program; the guard keeps a test's early teardown safe.
    const QPointer<CatalogStore> self(this);
    const quint64 load = ++d->loadsStarted;
    setPhase(Phase::loading());
    // The installed copies of the new catalogue's apps are found before anything is shown, so
    // no frame draws the catalogue without them: by the service as it decodes, else here.
    const quint64 scan = ++d->scansStarted;
    auto early = std::make_shared<std::optional<Private::Prepared>>();
    QCoro::Task<CatalogService::Result> loading = d->service->load(
        [early, apps = d->installedApps](const Catalog &next) { *early = Private::prepared(*apps, next); });
    CatalogService::Result result = co_await loading;
    if (!self || load < d->newestPublishedLoad)
        co_return false;
    auto catalog = std::make_shared<const Catalog>(std::move(result.catalog));
    if (!*early) {
        QCoro::Task<Private::Prepared> preparing = d->prepare(catalog);
        *early = co_await preparing;
        if (!self || load < d->newestPublishedLoad)
            co_return false;
    }
    Private::Prepared prepared = std::move(**early);
    d->newestPublishedLoad = load;
    setCatalog(std::move(catalog), std::move(prepared.byName), std::move(prepared.kinds));
    setPhase(Phase::loaded(result.origin));
    if (scan > d->newestPublishedScan) {
        d->newestPublishedScan = scan;
        setInstalled(std::move(prepared.installed));
    } else {
        // A rescan that started later has published what it found for the catalogue before.
        QCoro::Task<> rescanning = rescanInstalled(std::nullopt);
        co_await rescanning;
        if (!self)
            co_return false;
    }
    if (d->selectedAppID && !d->selectedApp())
        setSelectedAppID(std::nullopt);
    co_return true;
}

QCoro::Task<> CatalogStore::load(LoadKind kind)
{
    const QPointer<CatalogStore> self(this);
    const std::shared_ptr<const Catalog> before = d->catalog;
    QCoro::Task<bool> loading = loadCatalogue();
    const bool published = co_await loading;
    if (!self)
        co_return;
    // An out-of-date refresh has nothing to tell: the newer load's outcome is on screen.
    if (kind != LoadKind::Launch && published) {
        setToast(refreshToast(d->phase, *d->catalog != *before));
        QCoro::Task<> shown = dismissToastLater();
        co_await shown;
        if (!self)
            co_return;
    }
    if (kind != LoadKind::Refresh && d->updates)
        d->updates->prefetch(updatableApps());
}

void CatalogStore::startLoad(LoadKind kind)
{
    // A QCoro task runs on by itself when its Task object is dropped, and frees itself at the end.
    [[maybe_unused]] QCoro::Task<> running = load(kind);
}

QCoro::Task<> CatalogStore::dismissToastLater()
{
    const QPointer<CatalogStore> self(this);
    const std::optional<QUuid> noted = d->toast ? std::optional(d->toast->id) : std::nullopt;
    // A copy, so the clock outlives its sleep whatever happens to the store.
    const std::shared_ptr<ToastClock> clock = d->toastClock;
    QCoro::Task<> sleeping = clock->sleep(toastLifetime);
    co_await sleeping;
    if (!self)
        co_return;
    const std::optional<QUuid> shown = d->toast ? std::optional(d->toast->id) : std::nullopt;
    // A newer refresh's toast has its own timer.
    if (shown == noted)
        setToast(std::nullopt);
}

QCoro::Task<> CatalogStore::rescanInstalled(JustInstalled justInstalled)
{
    const QPointer<CatalogStore> self(this);
    for (;;) {
        const quint64 scan = ++d->scansStarted;
        const quint64 catalogue = d->catalogueNumber;
        QCoro::Task<QHash<QString, InstalledApp>> scanning = d->scan(bundleIDsOf(*d->catalog), justInstalled);
        QHash<QString, InstalledApp> scanned = co_await scanning;
        if (!self || scan < d->newestPublishedScan)
            co_return;
        if (catalogue == d->catalogueNumber) {
            d->newestPublishedScan = scan;
            setInstalled(std::move(scanned));
            co_return;
        }
        // A new catalogue came in meanwhile: its apps were not the ones looked for.
    }
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

std::optional<CatalogApp> CatalogStore::selectedApp() const
{
    const CatalogApp *app = d->selectedApp();
    return app ? std::optional(*app) : std::nullopt;
}

std::optional<QString> CatalogStore::installedVersion(const CatalogApp &app) const
{
    return installedVersionIn(d->installed, app);
}

QString CatalogStore::installedLocation(const CatalogApp &app) const
{
    if (!app.bundleID)
        return {};
    return d->installed.value(*app.bundleID).location;
}

bool CatalogStore::hasUpdate(const CatalogApp &app) const { return hasUpdateIn(d->installed, app); }

UpdateCoordinatorState CatalogStore::installState(const CatalogApp &app) const
{
    return d->updates ? d->updates->state(app) : UpdateCoordinatorState::idle();
}

QString CatalogStore::categoryName(const CatalogApp &app) const
{
    const std::optional<Category> category = d->catalog->category(app);
    return category ? category->name : app.categoryID;
}

QList<CatalogApp> CatalogStore::updatableApps() const
{
    QList<CatalogApp> apps;
    for (const CatalogApp &app : d->catalog->apps) {
        if (hasUpdate(app))
            apps.append(app);
    }
    return apps;
}

QString CatalogStore::filterTitle() const
{
    if (d->filter.kind != Filter::Kind::Category)
        return titleOf(d->filter);
    const QList<Category> &categories = d->catalog->categories;
    const auto it = std::find_if(categories.cbegin(), categories.cend(),
                                 [&](const Category &c) { return c.id == d->filter.categoryID; });
    return it == categories.cend() ? tr("Apps") : it->name;
}

QString CatalogStore::titleOf(const Filter &filter)
{
    switch (filter.kind) {
    case Filter::Kind::All:
        return tr("All Apps");
    case Filter::Kind::Updates:
        return tr("Updates");
    case Filter::Kind::Featured:
        return tr("Featured");
    case Filter::Kind::Category:
        break;
    }
    return tr("Apps");
}

int CatalogStore::appCount() const { return int(d->catalog->apps.size()); }
int CatalogStore::featuredCount() const { return int(d->featuredCount); }
int CatalogStore::updatableCount() const { return int(d->updatableCount); }

QString CatalogStore::selectedAppIDOrEmpty() const { return d->selectedAppID.value_or(QString()); }

bool CatalogStore::hasSelectedApp() const { return d->selectedApp() != nullptr; }

CatalogStore::Toast CatalogStore::toastOrEmpty() const { return d->toast.value_or(Toast()); }

bool CatalogStore::hasToast() const { return d->toast.has_value(); }
