// The store's load and refresh: the order of what a load publishes, the refresh toast and its
// timer, overlapping loads, prefetches, the selection, rescans and a store deleted mid-load.

#include "StoreFakes.h"

#include "service/UpdateInstaller.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using Origin = CatalogService::Origin;
using Phase = CatalogStore::Phase;
using LoadKind = CatalogStore::LoadKind;

namespace {

const Catalog shown = makeCatalog({makeApp("a", "Alpha", "com.example.alpha"), makeApp("b", "Beta"),
                                   makeApp("c", "Gamma", "com.example.gamma")});

Catalog withUpdatedAt(Catalog catalog, const QDateTime &updatedAt)
{
    catalog.updatedAt = updatedAt;
    return catalog;
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT

    FakeService *service = nullptr;
    std::shared_ptr<FakeInstalled> installed;
    std::shared_ptr<Gates> sleeps;
    CatalogStore *store = nullptr;

    void load(const Catalog &catalog, Origin origin = Origin::network())
    {
        service->enqueue(catalog, origin);
        QCoro::waitFor(store->load(LoadKind::Launch));
    }

    // An installed app whose update is in the download cache: a prefetch makes it ready at
    // once, without the network.
    CatalogApp cachedUpdate()
    {
        CatalogApp photo = makeApp("photo", "Photo", "com.example.photo");
        photo.version = "2.0";
        photo.downloadURL = QUrl("https://downloads.invalid/photo.dmg");
        installed->install("com.example.photo", "1.0");
        const QString image = UpdateInstaller().cachedDMG(photo.id, photo.version);
        QDir().mkpath(QFileInfo(image).path());
        QFile(image).open(QIODevice::WriteOnly);
        return photo;
    }

private Q_SLOTS:
    void init()
    {
        service = new FakeService;
        installed = std::make_shared<FakeInstalled>();
        sleeps = std::make_shared<Gates>();
        store = new CatalogStore(service, installed, sleeps);
    }

    void cleanup()
    {
        // No load outlives its test.
        sleeps->openAll();
        service->gates.openAll();
        QCoreApplication::processEvents();
        delete store;
        delete service;
        QFile::remove(UpdateInstaller().cachedDMG("photo", "2.0"));
    }

    // The installed copies are found where the service decodes, or by the store after a
    // service that does not prepare.
    void loadPublishesCatalogueThenPhaseThenInstalled_data()
    {
        QTest::addColumn<bool>("servicePrepares");
        QTest::newRow("prepared by the service") << true;
        QTest::newRow("prepared by the store") << false;
    }

    void loadPublishesCatalogueThenPhaseThenInstalled()
    {
        QFETCH(bool, servicePrepares);
        service->prepares = servicePrepares;
        installed->install("com.example.gamma", "0.9");
        QStringList events;
        connect(store, &CatalogStore::catalogChanged, this, [&] { events << "catalog"; });
        connect(store, &CatalogStore::phaseChanged, this, [&] { events << "phase " + QString::number(int(store->phase().kind)); });
        connect(store, &CatalogStore::installedChanged, this, [&] { events << "installed"; });
        const Origin cache = Origin::cache(QDateTime(QDate(2024, 4, 2), QTime(9, 30), Qt::UTC));

        load(shown, cache);

        QCOMPARE(events, QStringList({"phase 0", "catalog", "phase 1", "installed"}));
        QCOMPARE(store->phase(), Phase::loaded(cache));
        // Only apps with a bundle identifier are looked for, in catalogue order.
        QCOMPARE(installed->scans.last(), QStringList({"com.example.alpha", "com.example.gamma"}));
        QCOMPARE(installed->scans.size(), 1);
        QCOMPARE(store->installedVersion(shown.apps[2]), std::optional<QString>("0.9"));
        QCOMPARE(store->visibleAppsModel()->rowCount(), 3);
        QVERIFY(!store->toast());  // the launch shows none
    }

    // A refresh's toast says where the catalogue came from, stays for 2.5 s and ends the refresh.
    void refreshToastReportsTheOutcome()
    {
        const Catalog newer = withUpdatedAt(shown, shown.updatedAt.addSecs(60));
        const std::tuple<Catalog, Origin, QString, QString, bool> cases[] = {  // loaded, from, text, symbol, warning
            {shown, Origin::network(), "Catalogue is up to date", "checkmark.circle", false},
            {newer, Origin::network(), "Catalogue updated", "arrow.down.circle", false},  // only updatedAt differs
            {shown, Origin::cache({}), "Offline. Showing the last saved catalogue.", "internaldrive", true},
            {shown, Origin::bundled(), "Offline. Showing the built-in catalogue.", "shippingbox", true}};
        for (const auto &[loaded, origin, text, symbol, isWarning] : cases) {
            load(shown);
            service->enqueue(loaded, origin);
            sleeps->durations.clear();
            QCoro::Task<> refresh = store->load(LoadKind::Refresh);
            QTRY_VERIFY(store->toast());
            const CatalogStore::Toast toast = *store->toast();
            QVERIFY2(toast.text == text && toast.symbol == symbol && toast.isWarning == isWarning, qPrintable(toast.text));
            QCOMPARE(sleeps->durations, QList<std::chrono::milliseconds>({std::chrono::milliseconds(2500)}));
            QVERIFY(!refresh.isReady());  // it returns when the toast has gone
            sleeps->openAll();
            QCoro::waitFor(std::move(refresh));
            QVERIFY(!store->toast());
        }
    }

    void newerToastOutlivesTheOlderTimer()
    {
        load(shown);
        service->enqueue(shown);
        service->enqueue(shown, Origin::bundled());
        QCoro::Task<> first = store->load(LoadKind::Refresh);
        QTRY_VERIFY(store->toast());
        QCoro::Task<> second = store->load(LoadKind::Refresh);
        QTRY_COMPARE(sleeps->durations.size(), 2);
        const CatalogStore::Toast newer = *store->toast();
        QCOMPARE(newer.text, QStringLiteral("Offline. Showing the built-in catalogue."));
        sleeps->open(0);
        QCoro::waitFor(std::move(first));
        QCOMPARE(store->toast(), std::optional(newer));
        sleeps->open(1);
        QCoro::waitFor(std::move(second));
        QVERIFY(!store->toast());
    }

    // Which load finishes last does not matter: the one that started last is shown.
    void laterStartedLoadWins_data()
    {
        QTest::addColumn<LoadKind>("earlier");
        QTest::newRow("refresh during the launch load") << LoadKind::Launch;
        QTest::newRow("two quick refreshes") << LoadKind::Refresh;
    }

    void laterStartedLoadWins()
    {
        QFETCH(LoadKind, earlier);
        const Catalog older = withUpdatedAt(shown, shown.updatedAt.addDays(-1));
        service->holdLoads = true;
        service->enqueue(older, Origin::cache(older.updatedAt));
        service->enqueue(shown);
        QCoro::Task<> first = store->load(earlier);
        QCoro::Task<> second = store->load(LoadKind::Refresh);
        service->gates.open(1);
        QTRY_VERIFY(store->toast());
        QCOMPARE(store->toast()->text, QStringLiteral("Catalogue updated"));
        QSignalSpy toastChanges(store, &CatalogStore::toastChanged);

        service->gates.open(0);
        QTRY_VERIFY(first.isReady());  // at once: an out-of-date load waits for no toast

        QCOMPARE(store->catalog(), shown);
        QCOMPARE(store->phase(), Phase::loaded(Origin::network()));
        QCOMPARE(toastChanges.count(), 0);
    }

    void prefetchFollowsTheLoad()
    {
        const CatalogApp photo = cachedUpdate();
        UpdateCoordinator updates(std::make_shared<UpdateInstaller>(), DesktopServices::forUser(Locations::fromEnvironment()), installed);
        store->setUpdates(&updates);
        const auto prefetchedBy = [&](LoadKind kind) {
            updates.apply(UpdateInstaller::Step::verifying(), photo.id);  // anything but ready
            service->enqueue(makeCatalog({photo}));
            QCoro::Task<> loading = store->load(kind);
            if (kind != LoadKind::Launch) {
                if (!QTest::qWaitFor([&] { return store->toast().has_value(); }))
                    return false;
                const bool early = updates.state(photo).kind == UpdateCoordinatorState::Kind::Ready;
                sleeps->openAll();
                if (early)
                    return false;
            }
            QCoro::waitFor(std::move(loading));
            return updates.state(photo).kind == UpdateCoordinatorState::Kind::Ready;
        };
        QVERIFY(prefetchedBy(LoadKind::Launch));
        QVERIFY(!prefetchedBy(LoadKind::Refresh));
        QVERIFY(prefetchedBy(LoadKind::RefreshThenPrefetch));  // only once the toast has gone
    }

    // The selection stays while its app is in the new catalogue, though the filter and the
    // search hide every app.
    void selectionRule()
    {
        for (const auto &[selected, kept] : {std::pair("c", true), {"b", false}}) {
            load(shown);
            store->setSelectedAppID(QString(selected));
            store->setFilter(CatalogStore::Filter::featured());
            store->setSearchText("nothing like this");
            Catalog next = shown;
            next.apps.removeAt(1);
            next.apps[1].tagline = "Changed";
            load(next);
            QCOMPARE(store->selectedAppID().has_value(), kept);
            QCOMPARE(store->selectionModel()->count(), kept ? 1 : 0);
            QCOMPARE(store->selectedApp(), kept ? std::optional(next.apps[1]) : std::nullopt);
        }
    }

    void rescanWithJustInstalled_data()
    {
        QTest::addColumn<bool>("scanFinds");
        QTest::addColumn<QString>("bundleID");
        QTest::addColumn<QString>("expectedVersion");
        QTest::newRow("scan misses it: the bundle tells") << false << "com.example.gamma" << "2.0";
        QTest::newRow("scan finds it: the scan wins") << true << "com.example.gamma" << "1.0";
        QTest::newRow("bundle of another app: not installed") << false << "com.example.other" << "";
    }

    void rescanWithJustInstalled()
    {
        QFETCH(bool, scanFinds);
        QFETCH(QString, bundleID);
        QFETCH(QString, expectedVersion);
        installed->install("com.example.alpha", "1.0");
        load(shown);
        installed->found.clear();  // Alpha is gone now: the rescan forgets it
        if (scanFinds)
            installed->install("com.example.gamma", "1.0");
        const QString path = "/home/u/Applications/Gamma.app";
        installed->bundles.insert(path, {bundleID, "2.0", path});

        QCoro::waitFor(store->rescanInstalled(std::pair(QStringLiteral("com.example.gamma"), path)));

        QCOMPARE(installed->bundlesRead.contains(path), !scanFinds);
        QCOMPARE(store->installed().keys(), expectedVersion.isEmpty() ? QList<QString>{} : QList<QString>{"com.example.gamma"});
        QCOMPARE(store->installedVersion(shown.apps[2]).value_or(QString()), expectedVersion);
    }

    void rescanDuringALoadLooksForTheNewCatalogue()
    {
        installed->install("com.example.alpha", "1.0");
        installed->install("com.example.new", "1.0");
        load(shown);
        const Catalog next = makeCatalog({makeApp("n", "New", "com.example.new")});
        service->enqueue(next);
        // The load's scan is under way when an install asks for the shown apps' copies.
        QCoro::Task<> loading = store->load(LoadKind::Launch);
        QCoro::Task<> rescan = store->rescanInstalled(std::nullopt);
        QCoro::waitFor(std::move(loading));
        QCoro::waitFor(std::move(rescan));
        QCOMPARE(store->catalog(), next);
        QCOMPARE(store->installed().keys(), QList<QString>{"com.example.new"});
    }

    void loadThatOutlivesTheStoreTouchesNothing()
    {
        const CatalogApp photo = cachedUpdate();
        UpdateCoordinator updates(std::make_shared<UpdateInstaller>(), DesktopServices::forUser(Locations::fromEnvironment()), installed);
        store->setUpdates(&updates);
        service->enqueue(makeCatalog({photo}));
        store->startLoad(LoadKind::RefreshThenPrefetch);
        QTRY_VERIFY(store->toast());
        updates.apply(UpdateInstaller::Step::verifying(), photo.id);
        delete store;
        store = nullptr;
        sleeps->openAll();  // the refresh wakes up to a store that is gone
        QCoreApplication::processEvents();
        QCOMPARE(updates.state(photo).kind, UpdateCoordinatorState::Kind::Installing);  // no prefetch
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
