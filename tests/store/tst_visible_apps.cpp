// What the grid shows. Catches:
// - a search that trims too little or too much, looks in other fields, or ignores accents, widths or combining marks
// - a containment check that misses hits across its blocks of eight or finds near misses
// - a grid order other than by code point of the composed name, or unstable among equal names
// - a section (featured, category, updates) with the wrong apps or title
// - an update offered for an equal or newer installed version, or to an app without a bundle identifier

#include "StoreFakes.h"

#include "state/AppSearch.h"

#include <QTest>

using Filter = CatalogStore::Filter;

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

} // namespace

class TestVisibleApps : public QObject {
    Q_OBJECT

    FakeService service;
    std::shared_ptr<FakeInstalled> installed = std::make_shared<FakeInstalled>();

    // A store showing catalog, with the installed copies given as bundle id -> version.
    std::unique_ptr<CatalogStore> storeWith(const Catalog &catalog, const QHash<QString, QString> &versions = {})
    {
        installed->found.clear();
        for (auto it = versions.cbegin(); it != versions.cend(); ++it)
            installed->install(it.key(), it.value());
        auto store = std::make_unique<CatalogStore>(&service, installed);
        service.enqueue(catalog);
        QCoro::waitFor(store->load(CatalogStore::LoadKind::Launch));
        return store;
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
    void search_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("ids");
        const QStringList all{"cafe2", "cafe", "sheet", "photo", "draw", "wide"};
        QTest::newRow("spaces, tabs, Unicode spaces and line breaks") << u("  \t\u00A0\u3000\u2028\u2029\u0085\n\r") << all;
        QTest::newRow("surrounding Unicode space and line break") << u("\u3000photo lab\u2028") << QStringList{"photo"};
        QTest::newRow("description only") << "spreadsheet" << QStringList{"sheet"};
        QTest::newRow("category name only") << "graphics" << QStringList{};  // nor other fields
        QTest::newRow("accent counts") << "cafe" << QStringList{};
        QTest::newRow("accent found in both forms") << u("café") << QStringList{"cafe2", "cafe"};
        QTest::newRow("decomposed query") << u("cafe\u0301 m") << QStringList{"cafe"};
        QTest::newRow("width counts") << "wide" << QStringList{};
        QTest::newRow("full width found") << u("ｗｉｄｅ") << QStringList{"wide"};
        QTest::newRow("inner words") << "LY SP" << QStringList{"cafe2", "cafe"};
    }

    void search()
    {
        QFETCH(QString, search);
        const auto store = storeWith(searchCatalog());
        store->setSearchText(search);
        QTEST(idsOf(*store->visibleAppsModel()), "ids");
        QCOMPARE(store->searchText(), search);  // kept as typed
    }

    void queryFoundIn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("found");
        QTest::newRow("hit across blocks of eight") << "0123456PhOtO" << "photo" << true;
        QTest::newRow("one character missing") << "abcdefghijklmnopqrstuvwxy" << "z" << false;
        QTest::newRow("near miss") << "ph0to photp" << "photo" << false;
        QTest::newRow("punctuation is not case") << "{tag] `x" << "[tag]" << false;
        QTest::newRow("Kelvin sign") << u("\u212Aelvin scale") << "KELVIN" << true;
        QTest::newRow("decomposed accent counts") << u("cafe\u0301") << "cafe" << false;
        QTest::newRow("decomposed found by composed") << u("nai\u0308ve") << u("naïve") << true;
        QTest::newRow("mark without composed form") << u("q\u0301x") << "q" << false;
    }

    void queryFoundIn()
    {
        QFETCH(QString, text);
        QFETCH(QString, query);
        QTEST(AppSearch::Query(query).foundIn(text), "found");
    }

    void orderByCodePointsOfComposedNames()
    {
        const auto app = [](const char *id, const char *name) { return makeApp(id, u(name)); };
        const auto store = storeWith(makeCatalog({
            app("zeta", "zeta"),
            app("math", "\U0001D49C script A"),  // above U+FFFF: after U+E000 by code point
            app("private", "\uE000 private"),
            app("emile", "E\u0301mile"),         // composes to U+00C9: after every ASCII letter
            app("same1", "Same"),
            app("zulu", "Zulu"),
            app("apple", "apple"),
            app("same2", "Same"),
            app("Apple", "Apple"),
            app("eagle", "Eagle"),
        }));
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
        const auto store = storeWith(makeCatalog({featuredEarly, makeApp("plain", "Badger"), featuredLate},
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

    void updates_data()
    {
        QTest::addColumn<QString>("catalogVersion");
        QTest::addColumn<QString>("installedVersion");
        QTest::addColumn<bool>("hasUpdate");
        QTest::newRow("equal") << "2.1" << "2.1" << false;
        QTest::newRow("installed newer") << "2.1" << "2.2" << false;
        QTest::newRow("catalogue newer") << "2.2" << "2.1" << true;
    }

    void updates()
    {
        QFETCH(QString, catalogVersion);
        QFETCH(QString, installedVersion);
        QFETCH(bool, hasUpdate);
        CatalogApp app = makeApp("app", "App", "com.example.app");
        app.version = catalogVersion;
        const auto store = storeWith(makeCatalog({makeApp("other", "Other", "com.example.other"), app}),
                                     {{"com.example.app", installedVersion}});
        QCOMPARE(store->installedVersion(app), std::optional(installedVersion));
        QCOMPARE(store->installedLocation(app), QStringLiteral("/Applications/com.example.app.app"));
        QCOMPARE(store->hasUpdate(app), hasUpdate);
        QCOMPARE(store->updatableCount(), hasUpdate ? 1 : 0);
        store->setFilter(Filter::updates());
        QCOMPARE(idsOf(*store->visibleAppsModel()), hasUpdate ? QStringList{"app"} : QStringList{});
    }

    void appWithoutBundleIDIsNeverInstalled()
    {
        CatalogApp loose = makeApp("loose", "Loose", std::nullopt);
        loose.version = "9.0";
        // Even a copy recorded under an empty identifier does not belong to it.
        const auto store = storeWith(makeCatalog({loose}), {{"", "1.0"}});
        QCOMPARE(installed->scans.last(), QStringList());
        QVERIFY(!store->hasUpdate(loose));
        QVERIFY(!store->installedVersion(loose));
        QCOMPARE(store->installedLocation(loose), QString());
    }
};

QTEST_GUILESS_MAIN(TestVisibleApps)
#include "tst_visible_apps.moc"
