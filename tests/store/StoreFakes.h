#pragma once

#include "state/CatalogStore.h"

#include <coroutine>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QSet>

#include <deque>

// Waits that the test ends by hand, one ticket each, in any order; opening a ticket resumes
// its waiter at once. As the store's toast clock it also records the durations asked for.
class Gates : public CatalogStore::ToastClock {
public:
    QCoro::Task<> wait()
    {
        const int ticket = m_issued++;
        co_await Ticket{this, ticket};
    }
    QCoro::Task<> sleep(std::chrono::milliseconds duration) override
    {
        durations.append(duration);
        return wait();
    }
    void open(int ticket)
    {
        m_opened.insert(ticket);
        if (const std::coroutine_handle<> waiter = m_waiters.take(ticket))
            waiter.resume();
    }
    void openAll()
    {
        for (int i = 0; i < m_issued; ++i)
            open(i);
    }

    QList<std::chrono::milliseconds> durations;

private:
    struct Ticket {
        Gates *gates;
        int number;
        bool await_ready() const { return gates->m_opened.contains(number); }
        void await_suspend(std::coroutine_handle<> waiter) { gates->m_waiters.insert(number, waiter); }
        void await_resume() const {}
    };

    int m_issued = 0;
    QSet<int> m_opened;
    QHash<int, std::coroutine_handle<>> m_waiters;
};

struct NetworkHolder {
    QNetworkAccessManager network;
};

// Hands out queued results; with holdLoads, each load also waits for its gate. Like the real
// service it prepares each result as it hands it out, unless told not to.
class FakeService : private NetworkHolder, public CatalogService {
public:
    FakeService() : CatalogService(&network) {}

    void enqueue(const Catalog &catalog, Origin origin = Origin::network()) { results.push_back({catalog, origin}); }

    QCoro::Task<Result> load(Prepare prepare) override
    {
        Q_ASSERT(!results.empty());
        Result result = results.front();
        results.pop_front();
        if (holdLoads)
            co_await gates.wait();
        if (prepares && prepare)
            prepare(result.catalog);
        co_return result;
    }

    std::deque<Result> results;
    bool holdLoads = false;
    bool prepares = true;
    Gates gates;
};

// Installed copies without a file system. The store asks on its worker thread.
class FakeInstalled : public InstalledApps {
public:
    QHash<QString, InstalledApp> scan(const QStringList &bundleIDs) const override
    {
        const QMutexLocker lock(&mutex);
        scans.append(bundleIDs);
        QHash<QString, InstalledApp> result;
        for (const QString &id : bundleIDs)
            if (found.contains(id))
                result.insert(id, found.value(id));
        return result;
    }
    std::optional<InstalledApp> app(const QString &path, const QString &) const override
    {
        const QMutexLocker lock(&mutex);
        bundlesRead.append(path);
        return bundles.contains(path) ? std::optional(bundles.value(path)) : std::nullopt;
    }

    void install(const QString &bundleID, const QString &version)
    {
        const QMutexLocker lock(&mutex);
        found.insert(bundleID, {bundleID, version, "/Applications/" + bundleID + ".app"});
    }

    mutable QMutex mutex;
    QHash<QString, InstalledApp> found;    // what a scan finds
    QHash<QString, InstalledApp> bundles;  // bundle path -> what reading it yields
    mutable QList<QStringList> scans;      // the identifiers of each scan
    mutable QStringList bundlesRead;
};

inline CatalogApp makeApp(const QString &id, const QString &name, std::optional<QString> bundleID = std::nullopt)
{
    CatalogApp app;
    app.id = id;
    app.name = name;
    app.tagline = "Tagline of " + id;
    app.description = "Description of " + id;
    app.categoryID = "tools";
    app.bundleID = std::move(bundleID);
    app.version = "1.0";
    return app;
}

inline Catalog makeCatalog(QList<CatalogApp> apps, QList<Category> categories = {})
{
    Catalog catalog;
    catalog.version = 1;
    catalog.updatedAt = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    catalog.categories = std::move(categories);
    catalog.apps = std::move(apps);
    return catalog;
}

// The ids of a model's rows, in order.
inline QStringList idsOf(const AppListModel &model)
{
    QStringList ids;
    for (int row = 0; row < model.count(); ++row)
        ids << model.idAt(row);
    return ids;
}
