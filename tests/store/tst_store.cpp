// The store's state, its load and refresh flows, the toast and its lifetime, the rescan and
// the selection rule.

#include "StoreFakes.h"

#include <QSignalSpy>
#include <QTest>

using Origin = CatalogService::Origin;
using Phase = CatalogStore::Phase;

namespace {

const Catalog shown = makeCatalog({makeApp("a", "Alpha", "com.example.alpha"), makeApp("b", "Beta"),
                                   makeApp("c", "Gamma", "com.example.gamma")});

Catalog withUpdatedAt(Catalog catalog, const QDateTime &updatedAt)
{
    catalog.updatedAt = updatedAt;
    return catalog;
}

InstalledApp installedCopy(const QString &bundleID, const QString &version, const QString &location)
{
    return InstalledApp{bundleID, version, location};
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT

    FakeService *service = nullptr;
    FakeInstalled *installed = nullptr;
    Gates *sleeps = nullptr;
    CatalogStore *store = nullptr;

    // A store that has loaded `shown` from the network.
    void loadShown()
    {
        service->enqueue(shown);
        QCoro::waitFor(store->load());
    }

    // Ends every toast wait still pending, so that no refresh outlives its test.
    void openAllSleeps()
    {
        for (int i = 0; i < sleeps->issued(); ++i)
            sleeps->open(i);
        QCoreApplication::processEvents();
    }

private Q_SLOTS:
    void init()
    {
        service = new FakeService;
        installed = new FakeInstalled;
        sleeps = new Gates;
        store = new CatalogStore(service, installed->scanner());
        store->setToastSleep(sleeps->sleeper());
    }

    void cleanup()
    {
        openAllSleeps();
        delete store;
        delete sleeps;
        delete installed;
        delete service;
    }

    void initialState()
    {
        CatalogStore fresh(service, installed->scanner());
        QCOMPARE(fresh.phase(), Phase::loading());
        QVERIFY(fresh.catalog().apps.isEmpty());
        QVERIFY(!fresh.toast());
        QVERIFY(!fresh.selectedApp());
        QCOMPARE(fresh.filterTitle(), QStringLiteral("All Apps"));
    }

    void loadPublishesCatalogueThenPhaseThenInstalled()
    {
        installed->found.insert("com.example.gamma", installedCopy("com.example.gamma", "0.9", "/apps/Gamma.app"));
        QStringList events;
        connect(store, &CatalogStore::catalogChanged, this, [&] { events << "catalog"; });
        connect(store, &CatalogStore::phaseChanged, this,
                [&] { events << "phase " + QString::number(int(store->phase().kind)); });
        connect(store, &CatalogStore::installedChanged, this, [&] { events << "installed"; });

        service->enqueue(shown, Origin::cache(QDateTime(QDate(2024, 4, 2), QTime(9, 30), Qt::UTC)));
        QCoro::waitFor(store->load());

        QCOMPARE(events, QStringList({"phase 0", "catalog", "phase 1", "installed"}));
        QCOMPARE(store->catalog(), shown);
        QCOMPARE(store->phase(), Phase::loaded(Origin::cache(QDateTime(QDate(2024, 4, 2), QTime(9, 30), Qt::UTC))));
        // Only apps with a bundle identifier are looked for, in catalogue order.
        QCOMPARE(installed->scans.last(), QStringList({"com.example.alpha", "com.example.gamma"}));
        QCOMPARE(store->installedVersion(shown.apps[2]), QStringLiteral("0.9"));
        QVERIFY(!store->toast());
    }

    void refreshToastReportsTheOutcome_data()
    {
        QTest::addColumn<Catalog>("loaded");
        QTest::addColumn<int>("origin");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("isWarning");

        const Catalog newer = withUpdatedAt(shown, shown.updatedAt.addSecs(60));
        const int network = int(Origin::Kind::Network);
        QTest::newRow("network, equal") << shown << network << "Catalogue is up to date" << "checkmark.circle" << false;
        QTest::newRow("network, only updatedAt differs")
            << newer << network << "Catalogue updated" << "arrow.down.circle" << false;
        QTest::newRow("cache, equal") << shown << int(Origin::Kind::Cache)
                                      << "Offline. Showing the last saved catalogue." << "internaldrive" << true;
        QTest::newRow("cache, changed") << newer << int(Origin::Kind::Cache)
                                        << "Offline. Showing the last saved catalogue." << "internaldrive" << true;
        QTest::newRow("bundled, equal") << shown << int(Origin::Kind::Bundled)
                                        << "Offline. Showing the built-in catalogue." << "shippingbox" << true;
    }

    void refreshToastReportsTheOutcome()
    {
        QFETCH(Catalog, loaded);
        QFETCH(int, origin);
        QFETCH(QString, text);
        QFETCH(QString, symbol);
        QFETCH(bool, isWarning);
        loadShown();
        service->enqueue(loaded, Origin{Origin::Kind(origin), {}});

        QCoro::Task<> refresh = store->refresh();

        QVERIFY(store->toast());
        QCOMPARE(store->toast()->text, text);
        QCOMPARE(store->toast()->symbol, symbol);
        QCOMPARE(store->toast()->isWarning, isWarning);
        QVERIFY(!store->toast()->id.isNull());
        QCOMPARE(sleeps->durations, QList<std::chrono::milliseconds>({std::chrono::milliseconds(2500)}));
        QVERIFY(!refresh.isReady());

        sleeps->open(0);
        QCoro::waitFor(std::move(refresh));
        QVERIFY(!store->toast());
    }

    void refreshToastForFailureAndLoading()
    {
        const auto failed = CatalogStore::refreshToast(Phase::failed("The disk is full."), false);
        QVERIFY(failed);
        QCOMPARE(failed->text, QStringLiteral("The disk is full."));
        QCOMPARE(failed->symbol, QStringLiteral("exclamationmark.triangle"));
        QVERIFY(failed->isWarning);

        QVERIFY(!CatalogStore::refreshToast(Phase::loading(), true));

        // Every toast is a new one, even for the same outcome.
        const auto again = CatalogStore::refreshToast(Phase::failed("The disk is full."), false);
        QVERIFY(again->id != failed->id);
    }

    void newerToastOutlivesTheOlderTimer()
    {
        loadShown();
        service->enqueue(shown);
        service->enqueue(shown, Origin::bundled());

        QCoro::Task<> first = store->refresh();
        const QUuid firstID = store->toast()->id;
        QCoro::Task<> second = store->refresh();
        const CatalogStore::Toast newer = *store->toast();
        QVERIFY(newer.id != firstID);
        QCOMPARE(newer.text, QStringLiteral("Offline. Showing the built-in catalogue."));

        QSignalSpy toastChanges(store, &CatalogStore::toastChanged);
        sleeps->open(0);
        QCoro::waitFor(std::move(first));
        QCOMPARE(store->toast(), std::optional(newer));
        QCOMPARE(toastChanges.count(), 0);

        sleeps->open(1);
        QCoro::waitFor(std::move(second));
        QVERIFY(!store->toast());
        QCOMPARE(toastChanges.count(), 1);
    }

    void startRefreshRunsOnAndSurvivesTheStore()
    {
        loadShown();
        service->enqueue(shown);
        service->enqueue(shown);

        QSignalSpy finished(store, &CatalogStore::refreshFinished);
        store->startRefresh();
        QVERIFY(store->property("hasToast").toBool());
        QVERIFY(finished.isEmpty());
        sleeps->open(0);
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!store->toast());

        // A refresh that wakes up to a store that is gone ends without touching it.
        store->startRefresh();
        delete store;
        store = nullptr;
        sleeps->open(1);
        QCoreApplication::processEvents();
    }

    void selectionRule_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("kept");
        QTest::newRow("in the new catalogue") << "c" << true;
        QTest::newRow("gone from the new catalogue") << "b" << false;
    }

    void selectionRule()
    {
        QFETCH(QString, selected);
        QFETCH(bool, kept);
        loadShown();
        store->setSelectedAppID(selected);
        // The filter and the search hide every app; the selection does not care.
        store->setFilter(CatalogStore::Filter::featured());
        store->setSearchText("nothing like this");
        QCOMPARE(store->selectedApp()->id, selected);

        Catalog next = shown;
        next.apps.removeAt(1);
        next.apps[1].tagline = "Changed";
        service->enqueue(next);
        QCoro::waitFor(store->load());

        QCOMPARE(store->selectedAppID().has_value(), kept);
        QCOMPARE(store->property("hasSelectedApp").toBool(), kept);
        if (kept)
            QCOMPARE(store->selectedApp(), std::optional(next.apps[1]));
    }

    void rescanWithJustInstalled_data()
    {
        QTest::addColumn<bool>("scanFinds");
        QTest::addColumn<bool>("bundleReadable");
        QTest::addColumn<QString>("bundleID");
        QTest::addColumn<QString>("expectedVersion");
        QTest::addColumn<bool>("bundleRead");

        QTest::newRow("scan misses it: the bundle tells") << false << true << "com.example.gamma" << "2.0" << true;
        QTest::newRow("scan finds it: the scan wins") << true << true << "com.example.gamma" << "1.5" << false;
        QTest::newRow("unreadable bundle: not installed") << false << false << "com.example.gamma" << "" << true;
        QTest::newRow("bundle of another app: not installed") << false << true << "com.example.other" << "" << true;
    }

    void rescanWithJustInstalled()
    {
        QFETCH(bool, scanFinds);
        QFETCH(bool, bundleReadable);
        QFETCH(QString, bundleID);
        QFETCH(QString, expectedVersion);
        QFETCH(bool, bundleRead);
        // Alpha was installed before and is gone now: the rescan forgets it.
        installed->found.insert("com.example.alpha", installedCopy("com.example.alpha", "1.0", "/Applications/Alpha.app"));
        loadShown();
        installed->found.clear();
        const QString path = "/home/u/Applications/Gamma.app";
        if (scanFinds)
            installed->found.insert("com.example.gamma", installedCopy("com.example.gamma", "1.5", "/Applications/Gamma.app"));
        if (bundleReadable)
            installed->bundles.insert(path, installedCopy(bundleID, "2.0", path));

        store->rescanInstalled(std::pair(QStringLiteral("com.example.gamma"), path));

        QCOMPARE(store->installedVersion(shown.apps[2]), expectedVersion);
        QCOMPARE(installed->bundlesRead.contains(path), bundleRead);
        QVERIFY(!store->installed().contains("com.example.other"));
        QVERIFY(!store->installed().contains("com.example.alpha"));
    }

    void equalAssignmentsNotifyNoOne()
    {
        loadShown();
        store->setSearchText("alp");
        store->setFilter(CatalogStore::Filter::category("tools"));
        store->setSelectedAppID(QStringLiteral("a"));

        QList<QSignalSpy *> spies;
        const QMetaObject *meta = store->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal && method.name() != "phaseChanged")
                spies.append(new QSignalSpy(store, method));
        }

        store->setSearchText(QStringLiteral("alp"));
        store->setFilter(CatalogStore::Filter::category(QStringLiteral("tools")));
        store->setSelectedAppID(QStringLiteral("a"));
        store->setProperty("selectedAppID", "a");
        store->rescanInstalled(std::nullopt);
        service->enqueue(shown);
        QCoro::waitFor(store->load());

        for (QSignalSpy *spy : spies) {
            QVERIFY2(spy->isEmpty(), spy->signal().constData());
            delete spy;
        }
    }

    void changesNotifyTheDerivedValues()
    {
        loadShown();
        store->setSelectedAppID(QStringLiteral("a"));
        QSignalSpy visible(store, &CatalogStore::visibleAppsChanged);
        QSignalSpy title(store, &CatalogStore::filterTitleChanged);
        QSignalSpy selected(store, &CatalogStore::selectedAppChanged);
        QSignalSpy updatable(store, &CatalogStore::updatableAppsChanged);

        store->setFilter(CatalogStore::Filter::featured());
        store->setSearchText(QStringLiteral("x"));
        QCOMPARE(visible.count(), 2);
        QCOMPARE(title.count(), 1);

        // A new catalogue in which the selected app is unchanged: no selected-app notice.
        Catalog other = shown;
        other.apps[1].name = QStringLiteral("Beta 2");
        service->enqueue(other);
        QCoro::waitFor(store->load());
        QCOMPARE(visible.count(), 3);
        QCOMPARE(title.count(), 2);
        QCOMPARE(updatable.count(), 1);
        QCOMPARE(selected.count(), 0);

        // Now the selected app itself changes, and becomes updatable.
        other.apps[0].version = QStringLiteral("1.1");
        installed->found.insert("com.example.alpha", installedCopy("com.example.alpha", "1.0", "/Applications/Alpha.app"));
        service->enqueue(other);
        QCoro::waitFor(store->load());
        QCOMPARE(selected.count(), 1);
        QCOMPARE(updatable.count(), 3);  // the catalogue, then the installed apps
        QCOMPARE(store->property("updatableApps").toList().size(), 1);
    }

    void phaseNotifiesOnEveryAssignment()
    {
        service->holdLoads = true;
        service->enqueue(shown);
        service->enqueue(shown);
        QSignalSpy phases(store, &CatalogStore::phaseChanged);

        // Loading is assigned over loading twice; both are announced.
        QCoro::Task<> first = store->load();
        QCoro::Task<> second = store->load();
        QCOMPARE(phases.count(), 2);
        QCOMPARE(store->phase(), Phase::loading());

        service->gates.open(0);
        QCoro::waitFor(std::move(first));
        service->gates.open(1);
        QCoro::waitFor(std::move(second));
        // And loaded(network) over loaded(network).
        QCOMPARE(phases.count(), 4);
        QCOMPARE(store->phase(), Phase::loaded(Origin::network()));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
