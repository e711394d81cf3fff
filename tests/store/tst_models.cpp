// The store's models, each under QAbstractItemModelTester. Catches:
// - a keystroke that rebuilds the grid instead of removing and inserting around the rows that stay
// - a rescan or an install step that redraws other rows or other roles than the ones concerned, or none
// - a new catalogue whose changed app keeps its old row, or whose reordered rows come out wrong
// - the Updates row not coming and going with the updates, counts that do not follow, a sidebar pick on the wrong row
// - a selection row that does not follow the selection

#include "StoreFakes.h"

#include "service/UpdateInstaller.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using Filter = CatalogStore::Filter;
using Mode = QAbstractItemModelTester::FailureReportingMode;

namespace {

// Searches here find apps by name alone.
CatalogApp named(const char *id, const char *name, std::optional<QString> bundleID)
{
    CatalogApp app = makeApp(id, name, std::move(bundleID));
    app.tagline.clear();
    app.description.clear();
    return app;
}

const Catalog catalogue = makeCatalog({named("a", "Alpha", "com.example.a"), named("b", "Beta", "com.example.b"),
                                       named("c", "Gamma", "com.example.c"), named("d", "Delta", std::nullopt),
                                       named("e", "Epsilon", "com.example.e")},
                                      {Category{"tools", "Tools", "hammer"}});

QVariant roleOf(const AppListModel &model, int row, const char *role)
{
    return model.data(model.index(row), AppListModel::role(role));
}

} // namespace

class TestModels : public QObject {
    Q_OBJECT

    FakeService service;
    std::shared_ptr<FakeInstalled> installed;
    std::unique_ptr<CatalogStore> store;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;

    AppListModel &visible() { return *store->visibleAppsModel(); }

    void load(const Catalog &catalog)
    {
        service.enqueue(catalog);
        QCoro::waitFor(store->load(CatalogStore::LoadKind::Launch));
    }

private Q_SLOTS:
    void init()
    {
        installed = std::make_shared<FakeInstalled>();
        store = std::make_unique<CatalogStore>(&service, installed);
        for (QAbstractItemModel *model : std::initializer_list<QAbstractItemModel *>{
                 store->visibleAppsModel(), store->selectionModel(), store->sectionsModel()})
            testers.push_back(std::make_unique<QAbstractItemModelTester>(model, Mode::QtTest));
        load(catalogue);
    }

    void cleanup()
    {
        testers.clear();
        store.reset();
    }

    // Each step goes from the search before to the search after.
    void keystrokeKeepsTheRowsThatStay_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("narrowed") << "" << "l" << QStringList{"a", "d", "e"};
        QTest::newRow("mixed") << "l" << "ta" << QStringList{"b", "d"};
        QTest::newRow("emptied, then filled") << "zzz" << "" << QStringList{"a", "b", "d", "e", "c"};
    }

    void keystrokeKeepsTheRowsThatStay()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QStringList, ids);
        store->setSearchText(before);
        const QStringList idsBefore = idsOf(visible());
        QList<QPersistentModelIndex> rowsBefore;
        for (int row = 0; row < visible().count(); ++row)
            rowsBefore.append(visible().index(row));
        QSignalSpy reset(&visible(), &QAbstractItemModel::modelReset);
        QSignalSpy changed(&visible(), &QAbstractItemModel::dataChanged);

        store->setSearchText(after);

        QCOMPARE(idsOf(visible()), ids);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(changed.count(), 0);
        // A row that stays is the same row, still showing its app; the others are gone.
        for (qsizetype i = 0; i < rowsBefore.size(); ++i) {
            QCOMPARE(rowsBefore[i].isValid(), ids.contains(idsBefore[i]));
            if (rowsBefore[i].isValid())
                QCOMPARE(rowsBefore[i].data().toString(), idsBefore[i]);
        }
    }

    void onlyTheConcernedRowAndRolesRedraw()
    {
        UpdateCoordinator updates(std::make_shared<UpdateInstaller>(), DesktopServices::forUser(Locations::fromEnvironment()), installed);
        store->setUpdates(&updates);
        store->setSelectedAppID(QStringLiteral("c"));
        QSignalSpy changed(&visible(), &QAbstractItemModel::dataChanged);
        QSignalSpy selectionChanged(store->selectionModel(), &QAbstractItemModel::dataChanged);
        const int row = idsOf(visible()).indexOf("c");
        const auto redrawn = [&](const QStringList &roles) {
            QList<int> numbers;
            for (const QString &role : roles)
                numbers << AppListModel::role(role.toLatin1());
            const bool one = changed.count() == 1 && changed[0][0].toModelIndex().row() == row
                             && changed[0][1].toModelIndex().row() == row && changed[0][2].value<QList<int>>() == numbers;
            const bool selectionOne = selectionChanged.count() == 1;
            changed.clear();
            selectionChanged.clear();
            return one && selectionOne;
        };

        installed->install("com.example.c", "0.9");  // a rescan finds an older copy
        QCoro::waitFor(store->rescanInstalled(std::nullopt));
        QVERIFY(redrawn({"installedVersion", "installedLocation", "hasUpdate"}));
        QCOMPARE(roleOf(visible(), row, "installedVersion").toString(), QStringLiteral("0.9"));
        QCOMPARE(roleOf(visible(), row, "hasUpdate").toBool(), true);

        updates.apply(UpdateInstaller::Step::downloading(0.5), QStringLiteral("c"));
        QVERIFY(redrawn({"installState"}));
        QCOMPARE(roleOf(*store->selectionModel(), 0, "installState").value<UpdateCoordinatorState>(),
                 UpdateCoordinatorState::downloading(0.5));
    }

    void newCatalogueChangesRowsInPlace()
    {
        Catalog next = catalogue;
        next.apps[1].tagline = "Changed";  // Beta
        next.apps.removeAt(4);           // Epsilon
        QSignalSpy changed(&visible(), &QAbstractItemModel::dataChanged);
        QSignalSpy removed(&visible(), &QAbstractItemModel::rowsRemoved);
        load(next);
        QCOMPARE(idsOf(visible()), QStringList({"a", "b", "d", "c"}));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(roleOf(visible(), 1, "app").value<CatalogApp>().tagline, QStringLiteral("Changed"));

        next.apps[0].name = "Zulu";  // Alpha moves to the end
        load(next);
        QCOMPARE(idsOf(visible()), QStringList({"b", "d", "c", "a"}));
    }

    void sectionsFollowCountsAndFilter()
    {
        SectionListModel &sections = *store->sectionsModel();
        const auto rows = [&] {
            QStringList list;
            for (int row = 0; row < sections.rowCount(); ++row)
                list << sections.index(row).data().toString() + "=" + sections.data(sections.index(row), Qt::UserRole + 3).toString();
            return list;
        };
        QCOMPARE(rows(), QStringList({"All Apps=5", "Featured=0", "Tools=5"}));
        QCOMPARE(sections.index(2).data(Qt::UserRole + 5).toString(), QStringLiteral("Categories"));

        QSignalSpy inserted(&sections, &QAbstractItemModel::rowsInserted);
        installed->install("com.example.a", "0.5");
        QCoro::waitFor(store->rescanInstalled(std::nullopt));
        QCOMPARE(rows(), QStringList({"All Apps=5", "Featured=0", "Updates=1", "Tools=5"}));
        QCOMPARE(inserted.count(), 1);
        store->setFilter(Filter::updates());
        QCOMPARE(sections.selectedRow(), 2);
        QCOMPARE(sections.filterAt(3), Filter::category("tools"));

        installed->install("com.example.c", "0.5");
        QSignalSpy changed(&sections, &QAbstractItemModel::dataChanged);
        QCoro::waitFor(store->rescanInstalled(std::nullopt));
        QCOMPARE(changed.count(), 1);  // the Updates badge
        installed->found.clear();
        QCoro::waitFor(store->rescanInstalled(std::nullopt));
        QCOMPARE(rows(), QStringList({"All Apps=5", "Featured=0", "Tools=5"}));
        QCOMPARE(sections.selectedRow(), -1);  // Updates stays picked without its row
        QCOMPARE(store->filter(), Filter::updates());
    }

    void selectionRowFollowsTheSelection()
    {
        AppListModel &selection = *store->selectionModel();
        store->setSelectedAppID(QStringLiteral("c"));
        QCOMPARE(idsOf(selection), QStringList{"c"});
        QCOMPARE(roleOf(selection, 0, "categoryName").toString(), QStringLiteral("Tools"));
        QCOMPARE(visible().selectedRow(), 4);
        store->setSearchText("alpha");
        QCOMPARE(idsOf(selection), QStringList{"c"});  // hidden by the search, still selected
        QCOMPARE(visible().selectedRow(), -1);
        store->setSelectedAppID(QStringLiteral("a"));
        QCOMPARE(idsOf(selection), QStringList{"a"});
        QCOMPARE(visible().selectedRow(), 0);
        store->setSelectedAppID(std::nullopt);
        QCOMPARE(selection.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestModels)
#include "tst_models.moc"
