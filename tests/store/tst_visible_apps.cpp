// What the store derives for the views: sections, titles, update detection, the search and
// the order of the grid.

#include "StoreFakes.h"

#include "state/AppSearch.h"

#include <QTest>

using Filter = CatalogStore::Filter;

namespace {

CatalogApp describedApp(const QString &id, const QString &name, const QString &tagline, const QString &description,
                        const QString &categoryID = QStringLiteral("tools"))
{
    CatalogApp app = makeApp(id, name, "com.example." + id);
    app.tagline = tagline;
    app.description = description;
    app.categoryID = categoryID;
    return app;
}

QStringList idsOf(const QList<CatalogApp> &apps)
{
    QStringList ids;
    for (const CatalogApp &app : apps)
        ids << app.id;
    return ids;
}

} // namespace

class TestVisibleApps : public QObject {
    Q_OBJECT

    FakeService service;
    FakeInstalled installed;

    // A store showing catalog, with the installed copies given as bundle id -> version.
    std::unique_ptr<CatalogStore> storeWith(const Catalog &catalog, const QHash<QString, QString> &versions = {})
    {
        installed.found.clear();
        for (auto it = versions.cbegin(); it != versions.cend(); ++it)
            installed.found.insert(it.key(), InstalledApp{it.key(), it.value(), "/Applications/" + it.key() + ".app"});
        auto store = std::make_unique<CatalogStore>(&service, installed.scanner());
        service.enqueue(catalog);
        QCoro::waitFor(store->load());
        return store;
    }

    static Catalog searchCatalog()
    {
        return makeCatalog(
            {describedApp("photo", "Photo Lab", "Edit pictures", "Layers and filters."),
             describedApp("sheet", "Ledger", "Money at a glance", "A spreadsheet for households."),
             describedApp("cafe", QString::fromUtf8("Café Menu"), "Daily specials", "For small restaurants."),
             describedApp("cafe2", QString::fromUtf8("Cafe\u0301 Board"), "Daily specials", "Chalk board."),
             describedApp("wide", QString::fromUtf8("Ｗｉｄｅ Ｔｅｘｔ"), "Full-width letters", "Typesetting."),
             describedApp("draw", "Sketch Pad", "Draw freely", "Pencils, brushes.", "graphics")},
            {Category{"tools", "Utilities", "wrench"}, Category{"graphics", "Graphics", "paintbrush"}});
    }

private Q_SLOTS:
    void blankSearchFiltersNothing_data()
    {
        QTest::addColumn<QString>("search");
        QTest::newRow("spaces") << "   ";
        QTest::newRow("line breaks") << "\n\r\n";
        QTest::newRow("tabs and Unicode spaces") << QString::fromUtf8("\t\u00A0\u3000\u2003");
        QTest::newRow("Unicode line breaks") << QString::fromUtf8("\u2028\u2029\u0085\u000B\u000C");
    }

    void blankSearchFiltersNothing()
    {
        QFETCH(QString, search);
        const auto store = storeWith(searchCatalog());
        store->setSearchText(search);
        QCOMPARE(store->visibleApps().size(), searchCatalog().apps.size());
        QCOMPARE(store->searchText(), search);  // kept untrimmed
    }

    void search_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("ids");

        QTest::newRow("trailing space") << "PHOTO " << QStringList{"photo"};
        QTest::newRow("surrounding Unicode space and line break")
            << QString::fromUtf8("\u3000photo lab\u2028") << QStringList{"photo"};
        QTest::newRow("tagline") << "glance" << QStringList{"sheet"};
        QTest::newRow("description only") << "spreadsheet" << QStringList{"sheet"};
        QTest::newRow("category name only") << "graphics" << QStringList{};
        QTest::newRow("bundle identifier") << "com.example" << QStringList{};
        QTest::newRow("version") << "1.0" << QStringList{};
        QTest::newRow("accent counts") << "cafe" << QStringList{};
        QTest::newRow("accent found in both forms") << QString::fromUtf8("café") << QStringList{"cafe2", "cafe"};
        QTest::newRow("decomposed query") << QString::fromUtf8("cafe\u0301 m") << QStringList{"cafe"};
        QTest::newRow("width counts") << "wide" << QStringList{};
        QTest::newRow("full width found") << QString::fromUtf8("ｗｉｄｅ") << QStringList{"wide"};
        QTest::newRow("inner words") << "LY SP" << QStringList{"cafe2", "cafe"};
    }

    void search()
    {
        QFETCH(QString, search);
        QFETCH(QStringList, ids);
        const auto store = storeWith(searchCatalog());
        store->setSearchText(search);
        QCOMPARE(idsOf(store->visibleApps()), ids);
    }

    void queryFoundIn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("found");
        const auto u = [](const char *utf8) { return QString::fromUtf8(utf8); };

        QTest::newRow("later start after false starts") << "Pop pho Photo" << "photo" << true;
        QTest::newRow("query longer than text") << "photo" << "photograph" << false;
        QTest::newRow("hit across blocks of eight") << "0123456PhOtO" << "photo" << true;
        QTest::newRow("hit at the very end") << u("Long text with a hit at the eeeeeend") << "END" << true;
        QTest::newRow("one character") << "abcdefghijklmnopqrstuvwxyZ" << "z" << true;
        QTest::newRow("one character missing") << "abcdefghijklmnopqrstuvwxy" << "z" << false;
        QTest::newRow("near miss") << "ph0to photp" << "photo" << false;
        QTest::newRow("punctuation is not case") << "{tag] `x" << "[tag]" << false;
        QTest::newRow("punctuation itself") << "see [TAG] here" << "[tag]" << true;
        QTest::newRow("grave accent is not at sign") << "`x" << "@x" << false;
        QTest::newRow("Latin-1 accent counts") << u("Café") << "cafe" << false;
        QTest::newRow("accented capital") << u("Café") << u("CAFÉ") << true;
        QTest::newRow("Kelvin sign") << u("\u212Aelvin scale") << "KELVIN" << true;
        QTest::newRow("long s") << u("\u017Fun") << "SUN" << true;
        QTest::newRow("decomposed accent counts") << u("cafe\u0301") << "cafe" << false;
        QTest::newRow("decomposed found by composed") << u("nai\u0308ve") << u("naïve") << true;
        QTest::newRow("mark without composed form") << u("q\u0301x") << "q" << false;
        QTest::newRow("mark later in the text") << u("cafe\u0301 cafe") << "cafe" << true;
        QTest::newRow("Greek") << u("Καλημέρα") << u("ΜΈΡΑ") << true;
    }

    void queryFoundIn()
    {
        QFETCH(QString, text);
        QFETCH(QString, query);
        QFETCH(bool, found);
        QCOMPARE(AppSearch::Query(query).foundIn(text), found);
    }

    void orderByCodePointsOfComposedNames()
    {
        const auto app = [](const char *id, const char *name) { return makeApp(id, QString::fromUtf8(name)); };
        const Catalog catalog = makeCatalog({
            app("zeta", "zeta"),
            app("math", "\U0001D49C script A"),  // above U+FFFF: after U+E000 by code point
            app("private", "\uE000 private"),
            app("emile", "E\u0301mile"),          // composes to U+00C9: after every ASCII letter
            app("same1", "Same"),
            app("zulu", "Zulu"),
            app("apple", "apple"),
            app("same2", "Same"),
            app("Apple", "Apple"),
            app("eagle", "Eagle"),
        });
        const auto store = storeWith(catalog);
        const QStringList expected{"Apple", "eagle", "same1", "same2", "zulu", "apple",
                                   "zeta",  "emile", "private", "math"};
        QCOMPARE(idsOf(store->visibleApps()), expected);

        // The views read the same list.
        const QVariantList forView = store->property("visibleApps").toList();
        QCOMPARE(forView.size(), expected.size());
        QCOMPARE(forView.first().value<CatalogApp>().id, QStringLiteral("Apple"));
    }

    void sections()
    {
        CatalogApp featuredLate = makeApp("late", "Aardvark", "com.example.late");
        featuredLate.isFeatured = true;
        CatalogApp featuredEarly = makeApp("early", "Mole", "com.example.early");
        featuredEarly.isFeatured = true;
        featuredEarly.categoryID = "graphics";
        const Catalog catalog = makeCatalog({featuredEarly, makeApp("plain", "Badger"), featuredLate},
                                            {Category{"graphics", "Graphics", "paintbrush"}});
        const auto store = storeWith(catalog);

        QCOMPARE(idsOf(store->featuredApps()), QStringList({"early", "late"}));  // catalogue order
        store->setFilter(Filter::featured());
        QCOMPARE(idsOf(store->visibleApps()), QStringList({"late", "early"}));  // by name
        QCOMPARE(store->filterTitle(), QStringLiteral("Featured"));

        store->setFilter(Filter::category("graphics"));
        QCOMPARE(idsOf(store->visibleApps()), QStringList{"early"});
        QCOMPARE(store->filterTitle(), QStringLiteral("Graphics"));

        store->setFilter(Filter::category("nowhere"));
        QVERIFY(store->visibleApps().isEmpty());
        QCOMPARE(store->filterTitle(), QStringLiteral("Apps"));

        // Nothing installed: no updates.
        store->setFilter(Filter::updates());
        QVERIFY(store->visibleApps().isEmpty());
        QVERIFY(store->updatableApps().isEmpty());
        QCOMPARE(store->filterTitle(), QStringLiteral("Updates"));

        store->setFilter(Filter::all());
        QCOMPARE(store->filterTitle(), QStringLiteral("All Apps"));
        QCOMPARE(store->property("featuredApps").toList().size(), 2);
    }

    void updates_data()
    {
        QTest::addColumn<QString>("catalogVersion");
        QTest::addColumn<QString>("installedVersion");
        QTest::addColumn<bool>("hasUpdate");
        QTest::newRow("equal") << "2.1" << "2.1" << false;
        QTest::newRow("installed newer") << "2.1" << "2.2" << false;
        QTest::newRow("catalogue newer") << "2.2" << "2.1" << true;
        QTest::newRow("1.10 after 1.9") << "1.10" << "1.9" << true;
        QTest::newRow("1.9 before 1.10") << "1.9" << "1.10" << false;
        QTest::newRow("1.0.0 after 1.0") << "1.0.0" << "1.0" << true;
    }

    void updates()
    {
        QFETCH(QString, catalogVersion);
        QFETCH(QString, installedVersion);
        QFETCH(bool, hasUpdate);
        CatalogApp app = makeApp("app", "App", "com.example.app");
        app.version = catalogVersion;
        CatalogApp other = makeApp("other", "Other", "com.example.other");
        const auto store = storeWith(makeCatalog({other, app}), {{"com.example.app", installedVersion}});

        QCOMPARE(store->installedVersion(app), installedVersion);
        QCOMPARE(store->installedLocation(app), QStringLiteral("/Applications/com.example.app.app"));
        QCOMPARE(store->hasUpdate(app), hasUpdate);
        QCOMPARE(store->updatableApps().size(), hasUpdate ? 1 : 0);
        store->setFilter(Filter::updates());
        QCOMPARE(idsOf(store->visibleApps()), hasUpdate ? QStringList{"app"} : QStringList{});
    }

    void appWithoutBundleIDIsNeverInstalled()
    {
        CatalogApp loose = makeApp("loose", "Loose", std::nullopt);
        loose.version = "9.0";
        // Even a copy recorded under an empty identifier does not belong to it.
        const auto store = storeWith(makeCatalog({loose}), {{"", "1.0"}});
        QCOMPARE(installed.scans.last(), QStringList());
        QVERIFY(!store->hasUpdate(loose));
        QCOMPARE(store->installedVersion(loose), QString());
        QCOMPARE(store->installedLocation(loose), QString());
    }
};

QTEST_GUILESS_MAIN(TestVisibleApps)
#include "tst_visible_apps.moc"
