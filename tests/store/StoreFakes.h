#pragma once

#include "state/CatalogStore.h"

#include <QCoroSignal>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>

#include <deque>

// Waits that the test ends by hand, one ticket each, in any order. As a toast sleep it also
// records the durations asked for.
class Gates : public QObject {
    Q_OBJECT
public:
    QCoro::Task<> wait()
    {
        const int ticket = m_issued++;
        while (!m_opened.contains(ticket))
            co_await qCoro(this, &Gates::opened);
    }
    void open(int ticket)
    {
        m_opened.insert(ticket);
        Q_EMIT opened();
    }
    int issued() const { return m_issued; }

    std::function<QCoro::Task<>(std::chrono::milliseconds)> sleeper()
    {
        return [this](std::chrono::milliseconds duration) {
            durations.append(duration);
            return wait();
        };
    }
    QList<std::chrono::milliseconds> durations;

Q_SIGNALS:
    void opened();

private:
    int m_issued = 0;
    QSet<int> m_opened;
};

struct NetworkHolder {
    QNetworkAccessManager network;
};

// Hands out queued results; with holdLoads, each load also waits for its gate.
class FakeService : private NetworkHolder, public CatalogService {
public:
    FakeService() : CatalogService(&network) {}

    void enqueue(const Catalog &catalog, CatalogService::Origin origin = CatalogService::Origin::network())
    {
        results.push_back({catalog, origin});
    }

    QCoro::Task<Result> load() override
    {
        Q_ASSERT(!results.empty());
        Result result = results.front();
        results.pop_front();
        if (holdLoads)
            co_await gates.wait();
        co_return result;
    }

    std::deque<Result> results;
    bool holdLoads = false;
    Gates gates;
};

// Installed copies without a file system.
struct FakeInstalled {
    QHash<QString, InstalledApp> found;      // what a scan finds
    QHash<QString, InstalledApp> bundles;    // bundle path -> what reading it yields
    QList<QStringList> scans;                // the identifiers of each scan
    QStringList bundlesRead;

    CatalogStore::InstalledScanner scanner()
    {
        return {[this](const QStringList &ids) {
                    scans.append(ids);
                    QHash<QString, InstalledApp> result;
                    for (const QString &id : ids) {
                        if (found.contains(id))
                            result.insert(id, found.value(id));
                    }
                    return result;
                },
                [this](const QString &path, const QString &) -> std::optional<InstalledApp> {
                    bundlesRead.append(path);
                    if (!bundles.contains(path))
                        return std::nullopt;
                    return bundles.value(path);
                }};
    }
};

inline CatalogApp makeApp(const QString &id, const QString &name, std::optional<QString> bundleID = std::nullopt)
{
    CatalogApp app;
    app.id = id;
    app.name = name;
    app.tagline = QStringLiteral("Tagline of ") + id;
    app.description = QStringLiteral("Description of ") + id;
    app.categoryID = QStringLiteral("tools");
    app.bundleID = std::move(bundleID);
    app.version = QStringLiteral("1.0");
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
