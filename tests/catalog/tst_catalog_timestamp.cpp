#include "catalog/CatalogJsonTimestamp.h"

#include <QTest>

namespace Timestamp = CatalogJson::Timestamp;

class TestCatalogTimestamp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesInternetDateTimes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDateTime>("expected");
        const auto utc = [](int y, int mo, int d, int h, int mi, int s) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
        };
        QTest::newRow("Z") << QByteArray("2025-03-01T09:30:00Z") << utc(2025, 3, 1, 9, 30, 0);
        QTest::newRow("positive offset")
            << QByteArray("2025-03-01T10:30:00+01:00") << utc(2025, 3, 1, 9, 30, 0);
        QTest::newRow("negative offset across midnight")
            << QByteArray("2025-02-28T20:00:00-05:30") << utc(2025, 3, 1, 1, 30, 0);
        QTest::newRow("leap day") << QByteArray("2024-02-29T23:59:59Z")
                                  << utc(2024, 2, 29, 23, 59, 59);
        QTest::newRow("leap century")
            << QByteArray("2000-02-29T00:00:00Z") << utc(2000, 2, 29, 0, 0, 0);
        QTest::newRow("before 1970")
            << QByteArray("1969-12-31T23:59:59Z") << utc(1969, 12, 31, 23, 59, 59);
        // ISO 8601 counts a year 0000, which is Qt's year -1 (1 BC).
        QTest::newRow("year 0") << QByteArray("0000-01-01T00:00:00Z") << utc(-1, 1, 1, 0, 0, 0);
        QTest::newRow("year 9999")
            << QByteArray("9999-12-31T23:59:59+23:59") << utc(9999, 12, 31, 0, 0, 59);
    }
    void parsesInternetDateTimes()
    {
        QFETCH(QByteArray, text);
        QFETCH(QDateTime, expected);
        const std::optional<QDateTime> parsed = Timestamp::parse(text);
        QVERIFY(parsed);
        QCOMPARE(parsed->toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
        QCOMPARE(parsed->timeSpec(), Qt::UTC);
    }

    void rejectsEverythingElse()
    {
        const char *const bad[] = {
            "2025-03-01T09:30:00.5Z",
            "2025-03-01T09:30:00",
            "2025-03-01 09:30:00Z",
            "2025-03-01t09:30:00Z",
            "2025-03-01T09:30:00z",
            "2025-03-01T09:30Z",
            "2025-3-01T09:30:00Z",
            "2025-02-29T09:30:00Z",
            "1900-02-29T09:30:00Z",
            "2025-04-31T09:30:00Z",
            "2025-13-01T09:30:00Z",
            "2025-00-01T09:30:00Z",
            "2025-03-00T09:30:00Z",
            "2025-03-01T24:00:00Z",
            "2025-03-01T09:60:00Z",
            "2025-03-01T09:30:60Z",
            "2025-03-01T09:30:00+24:00",
            "2025-03-01T09:30:00+01:60",
            "2025-03-01T09:30:00+0100",
            "2025-03-01T09:30:00 +01:00",
            "2025-03-01T09:30:00Z ",
            "+2025-03-01T09:30:00Z",
            "2025-03-01T09:30:0aZ",
            "2025-03-01T09:30:00Y",
            "",
        };
        for (const char *text : bad)
            QVERIFY2(!Timestamp::parse(text), text);
    }

    void formatsInUtcWholeSeconds_data()
    {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("offset") << QDateTime(QDate(2025, 3, 1), QTime(0, 30), Qt::OffsetFromUTC,
                                             3600)
                                << QByteArray("2025-02-28T23:30:00Z");
        QTest::newRow("fraction dropped")
            << QDateTime(QDate(2025, 3, 1), QTime(9, 30, 5, 999), Qt::UTC)
            << QByteArray("2025-03-01T09:30:05Z");
        QTest::newRow("fraction before 1970")
            << QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 500), Qt::UTC)
            << QByteArray("1969-12-31T23:59:59Z");
        QTest::newRow("year 5") << QDateTime(QDate(5, 1, 2), QTime(3, 4, 5), Qt::UTC)
                                << QByteArray("0005-01-02T03:04:05Z");
        QTest::newRow("invalid") << QDateTime() << QByteArray();
        QTest::newRow("past 9999")
            << QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC) << QByteArray();
        QTest::newRow("1 BC is year 0000") << QDateTime(QDate(-1, 12, 31), QTime(0, 0), Qt::UTC)
                                           << QByteArray("0000-12-31T00:00:00Z");
        QTest::newRow("before year 0000")
            << QDateTime(QDate(-2, 12, 31), QTime(0, 0), Qt::UTC) << QByteArray();
    }
    void formatsInUtcWholeSeconds()
    {
        QFETCH(QDateTime, dateTime);
        QFETCH(QByteArray, expected);
        QCOMPARE(Timestamp::format(dateTime), expected);
    }
};

QTEST_GUILESS_MAIN(TestCatalogTimestamp)
#include "tst_catalog_timestamp.moc"
