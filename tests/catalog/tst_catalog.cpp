// The catalogue's records and the value formats inside its documents:
// - categories match apps by exact id; duplicates count the same apps
// - prices take only JSON's number grammar
// - timestamps read only whole-second RFC 3339 with Z or an offset, real dates only
// - timestamps write in UTC, whole seconds, years 0000 to 9999 only
// - URL references read the same with and without the host shortcut, and write back as read
// - only https links with a host are fetched, only http(s) ones opened
// - a record's unusable links count as absent

#include "catalog/Catalog.h"
#include "catalog/CatalogJson.h"
#include "catalog/CatalogJsonTimestamp.h"
#include "catalog/CatalogJsonUrl.h"

#include <QTest>

namespace Timestamp = CatalogJson::Timestamp;

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

const QByteArray refused = "<refused>"; // what a refused URL reads as below: no URL has '<'

} // namespace

class TestCatalog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void categoryAndAppCount()
    {
        Catalog catalog;
        catalog.categories = {{"audio", "Audio", "music.note"}, {"empty", "Empty", "gearshape"}, {"audio", "Sound", "waveform"}};
        CatalogApp app;
        for (const char *category : {"audio", "Audio", "audio", "missing"}) {
            app.categoryID = category;
            catalog.apps.append(app);
        }
        QCOMPARE(catalog.appCount(catalog.categories[0]), 2);
        QCOMPARE(catalog.appCount(catalog.categories[2]), 2);
        QCOMPARE(catalog.appCount(catalog.categories[1]), 0);
        QCOMPARE(catalog.category(catalog.apps[0])->name, QString("Audio")); // the first of the same id
        QVERIFY(!catalog.category(catalog.apps[1])); // ids compare case-sensitively
        QVERIFY(!catalog.category(catalog.apps[3]));
    }

    void decimalAcceptsOnlyJsonNumbers()
    {
        for (const char *bad : {"", "04.9", "1.", ".5", "+1", "1e", "1e+", "--1", " 1", "1 ", "0x10", "NaN", "1,5"})
            QVERIFY2(!Decimal::fromJsonText(bad), bad);
    }

    void readsTimestamps_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("Z") << QByteArray("2025-03-01T09:30:00Z") << utc(2025, 3, 1, 9, 30);
        QTest::newRow("positive offset") << QByteArray("2025-03-01T10:30:00+01:00") << utc(2025, 3, 1, 9, 30);
        QTest::newRow("negative offset, other day") << QByteArray("2025-02-28T20:00:00-05:30") << utc(2025, 3, 1, 1, 30);
        QTest::newRow("leap day") << QByteArray("2024-02-29T23:59:59Z") << utc(2024, 2, 29, 23, 59, 59);
        // ISO 8601 counts a year 0000, which is Qt's year -1 (1 BC).
        QTest::newRow("year 0") << QByteArray("0000-01-01T00:00:00Z") << utc(-1, 1, 1, 0, 0);
        QTest::newRow("year 9999") << QByteArray("9999-12-31T23:59:59+23:59") << utc(9999, 12, 31, 0, 0, 59);
    }

    void readsTimestamps()
    {
        QFETCH(QByteArray, text);
        QFETCH(QDateTime, expected);
        const std::optional<QDateTime> parsed = Timestamp::parse(text);
        QVERIFY(parsed);
        QCOMPARE(parsed->toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
        QCOMPARE(parsed->timeSpec(), Qt::UTC);
    }

    void rejectsOtherTimestamps()
    {
        for (const char *text : {"2025-03-01T09:30:00.5Z", "2025-03-01T09:30:00", "2025-03-01t09:30:00Z",
                                 "2025-03-01T09:30Z", "2025-02-29T09:30:00Z", "1900-02-29T09:30:00Z", "2025-04-31T09:30:00Z",
                                 "2025-13-01T09:30:00Z", "2025-03-01T24:00:00Z", "2025-03-01T09:30:60Z",
                                 "2025-03-01T09:30:00+24:00", "2025-03-01T09:30:00+0100", "2025-03-01T09:30:00Z ", ""})
            QVERIFY2(!Timestamp::parse(text), text);
    }

    void writesTimestamps_data()
    {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<QByteArray>("expected"); // empty: cannot be written
        QTest::newRow("offset") << QDateTime(QDate(2025, 3, 1), QTime(0, 30), Qt::OffsetFromUTC, 3600)
                                << QByteArray("2025-02-28T23:30:00Z");
        QTest::newRow("fraction dropped") << utc(2025, 3, 1, 9, 30, 5, 999) << QByteArray("2025-03-01T09:30:05Z");
        QTest::newRow("fraction before 1970") << utc(1969, 12, 31, 23, 59, 59, 500) << QByteArray("1969-12-31T23:59:59Z");
        QTest::newRow("1 BC is year 0000") << utc(-1, 12, 31, 0, 0) << QByteArray("0000-12-31T00:00:00Z");
        QTest::newRow("invalid") << QDateTime() << QByteArray();
        QTest::newRow("past 9999") << utc(10000, 1, 1, 0, 0) << QByteArray();
        QTest::newRow("before year 0000") << utc(-2, 12, 31, 0, 0) << QByteArray();
    }

    void writesTimestamps()
    {
        QFETCH(QDateTime, dateTime);
        QFETCH(QByteArray, expected);
        QCOMPARE(Timestamp::format(dateTime), expected);
    }

    void readsUrlReferences_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("written"); // as the encoder writes it
        QTest::addColumn<bool>("fetchable");
        QTest::addColumn<bool>("openable");
        const auto row = [](const char *text, const char *written, bool fetchable, bool openable) {
            QTest::newRow(text) << QByteArray(text) << (written ? QByteArray(written) : refused) << fetchable << openable;
        };
        row("https://hub.veltrane.app/icons/photolab.png", "https://hub.veltrane.app/icons/photolab.png", true, true);
        row("https://hub.veltrane.app:0443/x", "https://hub.veltrane.app:443/x", true, true);
        row("HTTPS://Hub.Veltrane.App/x", "https://hub.veltrane.app/x", true, true);
        row("https://hub.veltrane.app/\xc3\xa4", "https://hub.veltrane.app/%C3%A4", true, true);
        row("https://b\xc3\xbc" "cher.example/x", "https://xn--bcher-kva.example/x", true, true);
        row("https://[::1]:8443/x?y=1#z", "https://[::1]:8443/x?y=1#z", true, true);
        row("http://localhost:8443/x/y", "http://localhost:8443/x/y", false, true);
        // References without a scheme and other schemes are kept but never used.
        row("icons/photolab.png", "icons/photolab.png", false, false);
        row("file:///etc/passwd", "file:///etc/passwd", false, false);
        row("https:foo", "https:foo", false, false);
        // Not URLs at all.
        row("", nullptr, false, false);
        row(" https://hub.veltrane.app/x", nullptr, false, false);
        row("https://hub.veltrane.app/a b", nullptr, false, false);
        row("https://hub.veltrane.app/a%zzb", nullptr, false, false);
        row("https://x/a#b#c", nullptr, false, false); // QUrl takes it but cannot write it back
    }

    void readsUrlReferences()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, written);
        QFETCH(bool, fetchable);
        QFETCH(bool, openable);
        const std::string_view utf8(text.constData(), size_t(text.size()));
        const std::optional<QUrl> strict = CatalogJson::UrlReader::readStrictly(utf8);
        CatalogJson::UrlReader reader;
        // The second read builds the URL from the host it remembers.
        for (const std::optional<QUrl> &url : {reader.read(utf8), reader.read(utf8), strict}) {
            QCOMPARE(url ? url->toEncoded(QUrl::FullyEncoded) : refused, written);
            QVERIFY(url == strict); // equal records compare equal, whichever way they were read
        }
        if (!strict)
            return;
        QCOMPARE(CatalogLinks::isFetchable(*strict), fetchable);
        QCOMPARE(CatalogLinks::mayOpen(*strict), openable);

        // Through the whole format: written back as shown, read again to an equal URL.
        Catalog catalog;
        CatalogApp app;
        catalog.updatedAt = app.updatedAt = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
        app.iconURL = strict;
        catalog.apps = {app};
        const QByteArray json = CatalogJson::encode(catalog);
        QVERIFY2(json.contains("\"icon\":\"" + written + '"'), json.constData());
        QVERIFY(CatalogJson::decode(json)->apps[0].iconURL == strict);
    }

    void unusableLinksCountAsAbsent()
    {
        const QUrl https("https://hub.veltrane.app/x");
        CatalogApp app;
        app.iconURL = QUrl("icons/photolab.png");
        app.downloadURL = QUrl("http://hub.veltrane.app/photolab.dmg");
        app.screenshotURLs = {QUrl("file:///etc/passwd"), https, QUrl("s/2.png")};
        QVERIFY(!app.fetchableIconURL() && !app.fetchableDownloadURL());
        QCOMPARE(app.fetchableScreenshotURLs(), QList<QUrl> {https});
        app.iconURL = app.downloadURL = https;
        QVERIFY(app.fetchableIconURL() == https && app.fetchableDownloadURL() == https);
    }
};

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
