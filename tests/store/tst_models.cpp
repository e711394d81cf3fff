// What the grid shows (search, order, sections, updates) and the store's models, each under
// QAbstractItemModelTester. (Redrawn cards, rows and badges: tst_qml.)

#include "StoreFakes.h"

#include "state/AppSearch.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using Filter = CatalogStore::Filter;
using Mode = QAbstractItemModelTester::FailureReportingMode;

namespace {

CatalogApp describedApp(const QString &id, const QString &name, const QString &tagline, const QString &description,
                        const QString &categoryID = "tools")
{
    CatalogApp app = makeApp(id, name, "com.example." + id);
    app.tagline = tagline;
    app.description = description;
    app.categoryID = categoryID;
    return app;
}

QString u(const char *utf8) { return QString::fromUtf8(utf8); }


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

    // The store showing catalog, with the installed copies given as bundle id -> version.
    void show(const Catalog &catalog, const QHash<QString, QString> &versions = {})
    {
        testers.clear();
        installed->found.clear();
        for (auto it = versions.cbegin(); it != versions.cend(); ++it)
            installed->install(it.key(), it.value());
        store = std::make_unique<CatalogStore>(&service, installed);
        load(catalog);
    }

    static Catalog searchCatalog()
    {
        return makeCatalog(
            {describedApp("photo", "Photo Lab", "Edit pictures", "Layers and filters."),
             describedApp("sheet", "Ledger", "Money at a glance", "A spreadsheet for households."),
             describedApp("cafe", u("Café Menu"), "Daily specials", "For small restaurants."),
             describedApp("cafe2", u("Cafe\u0301 Board"), "Daily specials", "Chalk board."),
             describedApp("wide", u("Ｗｉｄｅ Ｔｅｘｔ"), "Full-width letters", "Typesetting."),
             describedApp("draw", "Sketch Pad", "Draw freely", "Pencils, brushes.", "graphics")},
            {Category{"tools", "Utilities", "wrench"}, Category{"graphics", "Graphics", "paintbrush"}});
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

    // A keystroke moves, adds and removes rows, never resets the model: a row that stays is the
    // same row, still showing its app.
    void keystrokeKeepsTheRowsThatStay()
    {
        for (const auto &[before, after, ids] : {std::tuple<QString, QString, QStringList>("", "l", {"a", "d", "e"}),
                                                 {"l", "ta", {"b", "d"}}, {"zzz", "", {"a", "b", "d", "e", "c"}}}) {
            store->setSearchText(before);
            const QStringList idsBefore = idsOf(visible());
            QList<QPersistentModelIndex> rowsBefore;
            for (int row = 0; row < visible().count(); ++row)
                rowsBefore.append(visible().index(row));
            QSignalSpy reset(&visible(), &QAbstractItemModel::modelReset);
            QSignalSpy changed(&visible(), &QAbstractItemModel::dataChanged);

            store->setSearchText(after);
            QCOMPARE(idsOf(visible()), ids);
            QVERIFY(reset.isEmpty() && changed.isEmpty());
            for (qsizetype i = 0; i < rowsBefore.size(); ++i) {
                QCOMPARE(rowsBefore[i].isValid(), ids.contains(idsBefore[i]));
                QVERIFY(!rowsBefore[i].isValid() || rowsBefore[i].data().toString() == idsBefore[i]);
            }
        }
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

    // The sidebar marks the picked section's row, wherever the Updates row comes and goes, and
    // keeps the pick when the row goes. (Rows and badges: tst_qml's test_rowsAndBadges.)
    void sidebarPickFollowsItsRow()
    {
        SectionListModel &sections = *store->sectionsModel();
        installed->install("com.example.a", "0.5");
        QCoro::waitFor(store->rescanInstalled(std::nullopt));
        store->setFilter(Filter::updates());
        QCOMPARE(sections.selectedRow(), 2);
        QCOMPARE(sections.filterAt(3), Filter::category("tools"));
        installed->found.clear();
        QCoro::waitFor(store->rescanInstalled(std::nullopt));
        QCOMPARE(sections.rowCount(), 3);
        QCOMPARE(sections.selectedRow(), -1);
        QCOMPARE(store->filter(), Filter::updates());
        store->setFilter(Filter::category("tools"));
        QCOMPARE(sections.selectedRow(), 2);
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

    void search()
    {
        show(searchCatalog());
        const QStringList all{"cafe2", "cafe", "sheet", "photo", "draw", "wide"};
        const std::pair<QString, QStringList> cases[] = {
            {u("  \t\u00A0\u3000\u2028\u2029\u0085\n\r"), all},  // spaces, Unicode spaces and line breaks
            {u("\u3000photo lab\u2028"), {"photo"}}, {"spreadsheet", {"sheet"}} /* description only */,
            {"graphics", {}} /* nor the category's name */, {"cafe", {}} /* the accent counts */,
            {u("café"), {"cafe2", "cafe"}} /* in both forms */, {u("cafe\u0301 m"), {"cafe"}}, {"wide", {}} /* width counts */,
            {u("ｗｉｄｅ"), {"wide"}}, {"LY SP", {"cafe2", "cafe"}} /* inner words */};
        for (const auto &[search, ids] : cases) {
            store->setSearchText(search);
            QVERIFY2(idsOf(*store->visibleAppsModel()) == ids, qPrintable(search));
            QCOMPARE(store->searchText(), search);  // kept as typed
        }
    }

    // A catalogue large enough to be searched in two halves: the hits of both, in name order,
    // within the section.
    void largeCatalogueSearch()
    {
        QList<CatalogApp> apps;
        QStringList hits, hitsInTools;
        for (int n = 2999; n >= 0; --n) {  // the catalogue's order is the reverse of the names'
            const QString id = QString::number(n);
            const bool hit = n % 2 == 0 || n == 2999;
            apps.append(describedApp(id, QStringLiteral("App %1").arg(n, 4, 10, QLatin1Char('0')),
                                     hit ? "Finds the needle" : "Plain", "", n % 3 ? "graphics" : "tools"));
            if (hit)
                hits.prepend(id);
            if (hit && n % 3 == 0)
                hitsInTools.prepend(id);
        }
        show(makeCatalog(apps, {Category{"tools", "Tools", "hammer"}, Category{"graphics", "Graphics", "brush"}}));
        store->setSearchText("NEEDLE");
        QCOMPARE(idsOf(visible()), hits);
        store->setFilter(Filter::category("tools"));
        QCOMPARE(idsOf(visible()), hitsInTools);
    }

    void queryFoundIn()
    {
        const std::tuple<QString, QString, bool> cases[] = {  // text, query, found
            {"0123456PhOtO", "photo", true} /* across blocks of eight */, {"abcdefghijklmnopqrstuvwxy", "z", false},
            {"ph0to photp", "photo", false}, {"{tag] `x", "[tag]", false} /* punctuation is not case */,
            {u("\u212Aelvin scale"), "KELVIN", true}, {u("cafe\u0301"), "cafe", false} /* the accent counts */,
            {u("nai\u0308ve"), u("naïve"), true}, {u("q\u0301x"), "q", false} /* a mark without composed form */};
        for (const auto &[text, query, found] : cases)
            QVERIFY2(AppSearch::Query(query).foundIn(text) == found, qPrintable(text));
    }

    void orderByCodePointsOfComposedNames()
    {
        const auto app = [](const char *id, const char *name) { return makeApp(id, u(name)); };
        // U+1D49C is above U+FFFF: after U+E000 by code point; "E\u0301" composes to U+00C9.
        show(makeCatalog({app("zeta", "zeta"), app("math", "\U0001D49C script A"), app("private", "\uE000 private"),
                          app("emile", "E\u0301mile"), app("same1", "Same"), app("zulu", "Zulu"), app("apple", "apple"),
                          app("same2", "Same"), app("Apple", "Apple"), app("eagle", "Eagle")}));
        QCOMPARE(idsOf(*store->visibleAppsModel()),
                 QStringList({"Apple", "eagle", "same1", "same2", "zulu", "apple", "zeta", "emile", "private", "math"}));
    }

    void sections()
    {
        CatalogApp featuredLate = makeApp("late", "Aardvark", "com.example.late");
        featuredLate.isFeatured = true;
        CatalogApp featuredEarly = makeApp("early", "Mole", "com.example.early");
        featuredEarly.isFeatured = true;
        featuredEarly.categoryID = "graphics";
        show(makeCatalog({featuredEarly, makeApp("plain", "Badger"), featuredLate},
                                                 {Category{"graphics", "Graphics", "paintbrush"}}));
        const auto shows = [&](const Filter &filter, const QStringList &ids, const QString &title) {
            store->setFilter(filter);
            return idsOf(*store->visibleAppsModel()) == ids && store->filterTitle() == title;
        };
        QVERIFY(shows(Filter::featured(), {"late", "early"}, "Featured"));  // by name, not catalogue order
        QVERIFY(shows(Filter::category("graphics"), {"early"}, "Graphics"));
        QVERIFY(shows(Filter::category("nowhere"), {}, "Apps"));
        QVERIFY(shows(Filter::updates(), {}, "Updates"));  // nothing installed
        QVERIFY(shows(Filter::all(), {"late", "plain", "early"}, "All Apps"));
        QCOMPARE(store->featuredCount(), 2);
    }

    void updates()
    {
        // catalogue version, installed version, whether it is an update
        for (const auto &[catalogVersion, installedVersion, hasUpdate] :
             {std::tuple("2.1", "2.1", false), {"2.1", "2.2", false}, {"2.2", "2.1", true}}) {
            CatalogApp app = makeApp("app", "App", "com.example.app");
            app.version = catalogVersion;
            show(makeCatalog({makeApp("other", "Other", "com.example.other"), app}), {{"com.example.app", installedVersion}});
            QCOMPARE(store->installedVersion(app), std::optional<QString>(installedVersion));
            QCOMPARE(store->hasUpdate(app), hasUpdate);
            QCOMPARE(store->updatableCount(), hasUpdate ? 1 : 0);
            store->setFilter(Filter::updates());
            QCOMPARE(idsOf(*store->visibleAppsModel()), hasUpdate ? QStringList{"app"} : QStringList{});
        }
    }

    void appWithoutBundleIDIsNeverInstalled()
    {
        CatalogApp loose = makeApp("loose", "Loose", std::nullopt);
        loose.version = "9.0";
        // Even a copy recorded under an empty identifier does not belong to it.
        show(makeCatalog({loose}), {{"", "1.0"}});
        QVERIFY(!store->hasUpdate(loose) && !store->installedVersion(loose));
    }
};

QTEST_GUILESS_MAIN(TestModels)
#include "tst_models.moc"
