#include "catalog/Catalog.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The computed operations on the records, and the number grammar of prices.
class TestCatalog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void requiresSourceOffer_data()
    {
        QTest::addColumn<QString>("license");
        QTest::addColumn<bool>("required");
        QTest::newRow("lower-case lgpl") << u"lgpl-2.1"_s << true;
        QTest::newRow("MPL") << u"MPL-2.0"_s << true;
        QTest::newRow("EUPL by its own name") << u"EUPL-1.2"_s << true;
        QTest::newRow("EPL") << u"EPL-2.0"_s << true;
        QTest::newRow("OSL") << u"osl-3.0"_s << true;
        QTest::newRow("CDDL") << u"CDDL-1.0"_s << true;
        QTest::newRow("MIT") << u"MIT"_s << false;
        QTest::newRow("Apache") << u"Apache-2.0"_s << false;
        QTest::newRow("BSD") << u"BSD-3-Clause"_s << false;
    }
    void requiresSourceOffer()
    {
        QFETCH(QString, license);
        QFETCH(bool, required);
        Source source;
        source.license = license;
        QCOMPARE(source.requiresSourceOffer(), required);
    }

    void categoryAndAppCount()
    {
        Catalog catalog;
        catalog.categories = {{u"audio"_s, u"Audio"_s, u"music.note"_s},
                              {u"empty"_s, u"Empty"_s, u"gearshape"_s},
                              {u"audio"_s, u"Sound"_s, u"waveform"_s}};
        CatalogApp app;
        for (const QString &category : {u"audio"_s, u"Audio"_s, u"audio"_s, u"missing"_s}) {
            app.categoryID = category;
            catalog.apps.append(app);
        }

        // Same id, same apps: both duplicates count both, and lookups find the first.
        QCOMPARE(catalog.appCount(catalog.categories[0]), 2);
        QCOMPARE(catalog.appCount(catalog.categories[2]), 2);
        QCOMPARE(catalog.appCount(catalog.categories[1]), 0);
        QCOMPARE(catalog.category(catalog.apps[0])->name, u"Audio"_s);
        QVERIFY(!catalog.category(catalog.apps[1])); // ids compare case-sensitively
        QVERIFY(!catalog.category(catalog.apps[3]));
    }

    void decimalAcceptsOnlyJsonNumbers()
    {
        for (const char *bad :
             {"", "04.9", "1.", ".5", "+1", "1e", "1e+", "--1", " 1", "1 ", "0x10", "NaN", "1,5"})
            QVERIFY2(!Decimal::fromJsonText(bad), bad);
    }
};

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
