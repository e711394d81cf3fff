// Stand-in until the catalogue store lands: enough of its behaviour for the views to run.
#include "model/CatalogStore.h"

#include <QCoroTimer>
#include <QTimer>

#include <algorithm>

struct CatalogStore::Private {
    CatalogService *service = nullptr;
    InstalledScanner scanner;
    Catalog catalog = Catalog::empty();
    std::optional<Toast> toast;
    QHash<QString, InstalledApp> installed;
    Phase phase;
    Filter filter;
    QString searchText;
    std::optional<QString> selectedAppID;
    std::function<QCoro::Task<>(std::chrono::milliseconds)> sleep;
};

CatalogStore::InstalledScanner CatalogStore::InstalledScanner::from(InstalledApps apps)
{
    return {[apps](const QStringList &ids) { return apps.scan(ids); }, &InstalledApps::app};
}

CatalogStore::CatalogStore(CatalogService *service, InstalledApps installedApps, QObject *parent)
    : CatalogStore(service, InstalledScanner::from(std::move(installedApps)), parent)
{
}

CatalogStore::CatalogStore(CatalogService *service, InstalledScanner scanner, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->service = service;
    d->scanner = std::move(scanner);
    d->sleep = [](std::chrono::milliseconds ms) -> QCoro::Task<> {
        QTimer timer;
        timer.setSingleShot(true);
        timer.start(ms);
        co_await timer;
    };
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
    if (d->filter == filter)
        return;
    d->filter = filter;
    emit filterChanged();
    emit filterTitleChanged();
    emit visibleAppsChanged();
}

void CatalogStore::setSearchText(const QString &text)
{
    if (d->searchText == text)
        return;
    d->searchText = text;
    emit searchTextChanged();
    emit visibleAppsChanged();
}

void CatalogStore::setSelectedAppID(const std::optional<QString> &id)
{
    if (d->selectedAppID == id)
        return;
    d->selectedAppID = id;
    emit selectedAppIDChanged();
    emit selectedAppChanged();
}

QCoro::Task<> CatalogStore::load()
{
    d->phase = Phase::loading();
    emit phaseChanged();
    const CatalogService::Result result = co_await d->service->load();
    if (!(d->catalog == result.catalog)) {
        d->catalog = result.catalog;
        emit catalogChanged();
        emit updatableAppsChanged();
        emit visibleAppsChanged();
        emit filterTitleChanged();
    }
    d->phase = Phase::loaded(result.origin);
    emit phaseChanged();
    rescanInstalled(std::nullopt);
    if (d->selectedAppID && !selectedApp())
        setSelectedAppID(std::nullopt);
    emit selectedAppChanged();
}

QCoro::Task<> CatalogStore::refresh()
{
    const Catalog before = d->catalog;
    co_await load();
    Toast toast{QUuid::createUuid(), {}, {}, false};
    using Origin = CatalogService::Origin::Kind;
    if (d->phase.kind == Phase::Kind::Failed) {
        toast.text = d->phase.message;
        toast.symbol = QStringLiteral("exclamationmark.triangle");
        toast.isWarning = true;
    } else if (d->phase.origin.kind == Origin::Network) {
        const bool same = before == d->catalog;
        toast.text = same ? tr("Catalogue is up to date") : tr("Catalogue updated");
        toast.symbol = same ? QStringLiteral("checkmark.circle") : QStringLiteral("arrow.down.circle");
    } else {
        const bool cache = d->phase.origin.kind == Origin::Cache;
        toast.text = cache ? tr("Offline. Showing the last saved catalogue.") : tr("Offline. Showing the built-in catalogue.");
        toast.symbol = cache ? QStringLiteral("internaldrive") : QStringLiteral("shippingbox");
        toast.isWarning = true;
    }
    d->toast = toast;
    emit toastChanged();
    co_await d->sleep(toastLifetime);
    if (d->toast && d->toast->id == toast.id) {
        d->toast.reset();
        emit toastChanged();
    }
}

void CatalogStore::rescanInstalled(const std::optional<std::pair<QString, QString>> &justInstalled)
{
    QStringList ids;
    for (const CatalogApp &app : d->catalog.apps) {
        if (app.bundleID)
            ids.append(*app.bundleID);
    }
    QHash<QString, InstalledApp> scanned = d->scanner.scan(ids);
    if (justInstalled && !scanned.contains(justInstalled->first)) {
        if (auto app = d->scanner.readBundle(justInstalled->second, justInstalled->first))
            scanned.insert(justInstalled->first, *app);
    }
    if (scanned == d->installed)
        return;
    d->installed = scanned;
    emit installedChanged();
    emit updatableAppsChanged();
    emit visibleAppsChanged();
}

std::optional<CatalogApp> CatalogStore::selectedApp() const
{
    if (!d->selectedAppID)
        return std::nullopt;
    for (const CatalogApp &app : d->catalog.apps) {
        if (app.id == *d->selectedAppID)
            return app;
    }
    return std::nullopt;
}

std::optional<QString> CatalogStore::optionalInstalledVersion(const CatalogApp &app) const
{
    if (!app.bundleID || !d->installed.contains(*app.bundleID))
        return std::nullopt;
    return d->installed.value(*app.bundleID).version;
}

QString CatalogStore::installedVersion(const CatalogApp &app) const { return optionalInstalledVersion(app).value_or(QString()); }

QString CatalogStore::installedLocation(const CatalogApp &app) const
{
    if (!app.bundleID)
        return {};
    return d->installed.value(*app.bundleID).location;
}

bool CatalogStore::hasUpdate(const CatalogApp &app) const
{
    const auto installed = optionalInstalledVersion(app);
    return installed && InstalledApps::isUpdate(app.version, *installed);
}

QList<CatalogApp> CatalogStore::updatableApps() const
{
    QList<CatalogApp> apps;
    for (const CatalogApp &app : d->catalog.apps) {
        if (hasUpdate(app))
            apps.append(app);
    }
    return apps;
}

QList<CatalogApp> CatalogStore::featuredApps() const
{
    QList<CatalogApp> apps;
    for (const CatalogApp &app : d->catalog.apps) {
        if (app.isFeatured)
            apps.append(app);
    }
    return apps;
}

QList<CatalogApp> CatalogStore::visibleApps() const
{
    QList<CatalogApp> base;
    switch (d->filter.kind) {
    case Filter::Kind::All: base = d->catalog.apps; break;
    case Filter::Kind::Updates: base = updatableApps(); break;
    case Filter::Kind::Featured: base = featuredApps(); break;
    case Filter::Kind::Category:
        for (const CatalogApp &app : d->catalog.apps) {
            if (app.categoryID == d->filter.categoryID)
                base.append(app);
        }
        break;
    }
    const QString query = d->searchText.trimmed();
    QList<CatalogApp> result;
    for (const CatalogApp &app : base) {
        if (query.isEmpty() || app.name.contains(query, Qt::CaseInsensitive)
            || app.tagline.contains(query, Qt::CaseInsensitive) || app.description.contains(query, Qt::CaseInsensitive))
            result.append(app);
    }
    std::stable_sort(result.begin(), result.end(), [](const CatalogApp &a, const CatalogApp &b) { return a.name < b.name; });
    return result;
}

QString CatalogStore::filterTitle() const
{
    switch (d->filter.kind) {
    case Filter::Kind::All: return tr("All Apps");
    case Filter::Kind::Updates: return tr("Updates");
    case Filter::Kind::Featured: return tr("Featured");
    case Filter::Kind::Category: break;
    }
    for (const Category &category : d->catalog.categories) {
        if (category.id == d->filter.categoryID)
            return category.name;
    }
    return tr("Apps");
}

void CatalogStore::startRefresh() { refresh(); }

void CatalogStore::setToastSleep(std::function<QCoro::Task<>(std::chrono::milliseconds)> sleep) { d->sleep = std::move(sleep); }

QString CatalogStore::selectedAppIDOrEmpty() const { return d->selectedAppID.value_or(QString()); }
void CatalogStore::selectAppFromView(const QString &id) { setSelectedAppID(id.isEmpty() ? std::nullopt : std::optional(id)); }
CatalogApp CatalogStore::selectedAppOrEmpty() const { return selectedApp().value_or(CatalogApp()); }
bool CatalogStore::hasSelectedApp() const { return selectedApp().has_value(); }
CatalogStore::Toast CatalogStore::toastOrEmpty() const { return d->toast.value_or(Toast()); }
bool CatalogStore::hasToast() const { return d->toast.has_value(); }

namespace {
QVariantList toList(const QList<CatalogApp> &apps)
{
    QVariantList list;
    for (const CatalogApp &app : apps)
        list.append(QVariant::fromValue(app));
    return list;
}
} // namespace

QVariantList CatalogStore::visibleAppsForView() const { return toList(visibleApps()); }
QVariantList CatalogStore::updatableAppsForView() const { return toList(updatableApps()); }
QVariantList CatalogStore::featuredAppsForView() const { return toList(featuredApps()); }

QVariantMap CatalogStore::installedVersionsForView() const
{
    QVariantMap versions;
    for (auto it = d->installed.begin(); it != d->installed.end(); ++it)
        versions.insert(it.key(), it.value().version);
    return versions;
}

size_t qHash(const CatalogStore::Filter &filter, size_t seed) { return qHashMulti(seed, int(filter.kind), filter.categoryID); }
