#include "model/Catalog.h"

#include <QTest>

// Placeholder; the catalogue tests replace it.
class TestCatalog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decimalComparesByValue()
    {
        QCOMPARE(*Decimal::fromJsonText("4.9"), *Decimal::fromJsonText("4.90"));
        QVERIFY(!Decimal::fromJsonText("04.9"));
    }
};

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
