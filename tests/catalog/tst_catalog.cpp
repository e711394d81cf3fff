// The catalogue's records, the value formats inside its documents (prices, timestamps, URL
// references), the JSON format and the maker's veltrane-catalog program. (That whatever decodes
// encodes to the same catalogue again is catalog_decode_fuzz's check.)

#include "TestFiles.h"
#include "ToolFixture.h"
#include "catalog/CatalogJson.h"
#include "catalog/CatalogJsonTimestamp.h"
#include "catalog/CatalogJsonUrl.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace Timestamp = CatalogJson::Timestamp;

namespace {

// A valid document: one app with every key, one with only the required ones.
const QByteArray baseDocument = R"({"version":7,"updatedAt":"2025-03-01T09:30:00Z",
"categories":[{"id":"photo","name":"Photography","symbol":"photo"},{"id":"audio","name":"Music & Audio","symbol":"music.note"}],
"apps":[
{"id":"photolab","name":"Photo Lab","tagline":"Edit photos","description":"Develops RAW files.","version":"2.4.1",
"price":{"amount":4.99,"currency":"EUR"},
"source":{"repository":"https://github.com/lumenraw/lumen","author":"The Lumen developers","license":"GPL-3.0","fork":"https://github.com/veltrane/photolab"},
"category":"photo","bundleId":"app.veltrane.photolab","minimumSystemVersion":"13.0",
"icon":"https://hub.veltrane.app/icons/photolab.png",
"screenshots":["https://hub.veltrane.app/screenshots/photolab-1.png","https://hub.veltrane.app/screenshots/photolab-2.png"],
"download":"https://hub.veltrane.app/downloads/photolab-2.4.1.dmg","downloadSize":48213504,
"downloadSHA256":"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08","homepage":"https://veltrane.app/apps/photolab",
"featured":true,"updated":"2025-02-18T14:05:00Z"},
{"id":"tempo","name":"Tempo","tagline":"A metronome","description":"Keeps time.","version":"2.0.5",
"price":{"amount":0,"currency":"EUR"},"category":"audio","minimumSystemVersion":"12.0",
"screenshots":[],"featured":false,"updated":"2024-06-30T07:15:00Z"}]})";

// Edits of baseDocument that change only the order of keys.
const QByteArrayList keysInAnotherOrder = {
    R"({"id":"photo","name":"Photography","symbol":"photo"})", R"({"symbol":"photo","name":"Photography","id":"photo"})",
    R"({"id":"tempo","name":"Tempo",)", R"({"name":"Tempo",)",
    R"("updated":"2024-06-30T07:15:00Z"})", R"("updated":"2024-06-30T07:15:00Z","id":"tempo"})"};

QDateTime utc(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

const QByteArray refused = "<refused>"; // what a refused URL reads as below: no URL has '<'


// What baseDocument decodes to, written out field by field.
Catalog baseCatalog()
{
    const CatalogApp full {.id = "photolab", .name = "Photo Lab", .tagline = "Edit photos", .description = "Develops RAW files.",
                           .categoryID = "photo", .bundleID = "app.veltrane.photolab", .version = "2.4.1", .minimumSystem = "13.0",
                           .price = {*Decimal::fromJsonText("4.99"), "EUR"},
                           .iconURL = QUrl("https://hub.veltrane.app/icons/photolab.png"),
                           .screenshotURLs = {QUrl("https://hub.veltrane.app/screenshots/photolab-1.png"),
                                              QUrl("https://hub.veltrane.app/screenshots/photolab-2.png")},
                           .downloadURL = QUrl("https://hub.veltrane.app/downloads/photolab-2.4.1.dmg"),
                           .downloadSize = 48213504,
                           .downloadSHA256 = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08",
                           .homepageURL = QUrl("https://veltrane.app/apps/photolab"),
                           .source = Source {QUrl("https://github.com/lumenraw/lumen"), "The Lumen developers", "GPL-3.0",
                                             QUrl("https://github.com/veltrane/photolab")},
                           .isFeatured = true, .updatedAt = utc(2025, 2, 18, 14, 5)};
    const CatalogApp minimal {.id = "tempo", .name = "Tempo", .tagline = "A metronome", .description = "Keeps time.",
                              .categoryID = "audio", .bundleID = {}, .version = "2.0.5", .minimumSystem = "12.0",
                              .price = {*Decimal::fromJsonText("0"), "EUR"}, .iconURL = {}, .screenshotURLs = {},
                              .downloadURL = {}, .downloadSize = {}, .downloadSHA256 = {}, .homepageURL = {}, .source = {},
                              .isFeatured = false, .updatedAt = utc(2024, 6, 30, 7, 15)};
    return {.version = 7, .updatedAt = utc(2025, 3, 1, 9, 30),
            .categories = {{"photo", "Photography", "photo"}, {"audio", "Music & Audio", "music.note"}},
            .apps = {full, minimal}};
}

// baseDocument with each (from, to) pair of edits applied to the first occurrence of `from`.
QByteArray edited(const QByteArrayList &edits)
{
    QByteArray doc = baseDocument;
    for (qsizetype i = 0; i + 1 < edits.size(); i += 2) {
        const qsizetype at = doc.indexOf(edits[i]);
        if (at < 0)
            qFatal("test edit does not apply: %s", edits[i].constData());
        doc.replace(at, edits[i].size(), edits[i + 1]);
    }
    return doc;
}

QString failure(QByteArrayView json)
{
    CatalogJson::DecodeError error;
    if (CatalogJson::decode(json, &error))
        return "(decoded)";
    return error.toString();
}

ToolRun catalogTool(const QStringList &arguments) { return ToolFixture::run(VELTRANE_CATALOG_TOOL, arguments); }

// Writes a file in `dir` and returns its path.
QString saved(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    return TestFiles::write(dir.filePath(name), content) ? dir.filePath(name) : QString();
}

} // namespace

// moc reads raw strings as plain ones: in the class, those with "//" or an odd number of quotes
// are written escaped instead.
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
        QVERIFY(catalog.appCount(catalog.categories[0]) == 2 && catalog.appCount(catalog.categories[2]) == 2);
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

    // Whole-second RFC 3339 with Z or an offset, real dates only, read as UTC; nothing else.
    void readsTimestamps()
    {
        // ISO 8601 counts a year 0000, which is Qt's year -1 (1 BC).
        const std::pair<const char *, QDateTime> valid[] = {
            {"2025-03-01T09:30:00Z", utc(2025, 3, 1, 9, 30)}, {"2025-03-01T10:30:00+01:00", utc(2025, 3, 1, 9, 30)},
            {"2025-02-28T20:00:00-05:30", utc(2025, 3, 1, 1, 30)}, {"2024-02-29T23:59:59Z", utc(2024, 2, 29, 23, 59, 59)},
            {"0000-01-01T00:00:00Z", utc(-1, 1, 1, 0, 0)}, {"9999-12-31T23:59:59+23:59", utc(9999, 12, 31, 0, 0, 59)}};
        for (const auto &[text, expected] : valid) {
            const std::optional<QDateTime> parsed = Timestamp::parse(text);
            QVERIFY2(parsed && *parsed == expected && parsed->timeSpec() == Qt::UTC, text);
        }
        for (const char *text : {"2025-03-01T09:30:00.5Z", "2025-03-01T09:30:00", "2025-03-01t09:30:00Z",
                                 "2025-03-01T09:30Z", "2025-02-29T09:30:00Z", "1900-02-29T09:30:00Z", "2025-04-31T09:30:00Z",
                                 "2025-13-01T09:30:00Z", "2025-03-01T24:00:00Z", "2025-03-01T09:30:60Z",
                                 "2025-03-01T09:30:00+24:00", "2025-03-01T09:30:00+0100", "2025-03-01T09:30:00Z ", ""})
            QVERIFY2(!Timestamp::parse(text), text);
    }

    void writesTimestamps()
    {
        const std::pair<QDateTime, QByteArray> cases[] = {  // empty: cannot be written
            {QDateTime(QDate(2025, 3, 1), QTime(0, 30), Qt::OffsetFromUTC, 3600), "2025-02-28T23:30:00Z"},
            {utc(2025, 3, 1, 9, 30, 5, 999), "2025-03-01T09:30:05Z"},     // fraction dropped
            {utc(1969, 12, 31, 23, 59, 59, 500), "1969-12-31T23:59:59Z"}, // also before 1970
            {utc(-1, 12, 31, 0, 0), "0000-12-31T00:00:00Z"},             // 1 BC is year 0000
            {QDateTime(), {}}, {utc(10000, 1, 1, 0, 0), {}}, {utc(-2, 12, 31, 0, 0), {}}};
        for (const auto &[dateTime, expected] : cases)
            QVERIFY2(Timestamp::format(dateTime) == expected, qPrintable(dateTime.toString()));
    }

    // Each row: the reference, as the encoder writes it (null: refused), whether it is fetched
    // and whether it may be opened.
    void readsUrlReferences()
    {
        const auto row = [](const char *text, const char *written, bool fetchable, bool openable) {
            const std::string_view utf8(text);
            const std::optional<QUrl> strict = CatalogJson::UrlReader::readStrictly(utf8);
            CatalogJson::UrlReader reader;
            // The second read builds the URL from the host it remembers.
            for (const std::optional<QUrl> &url : {reader.read(utf8), reader.read(utf8), strict}) {
                QVERIFY2((url ? url->toEncoded(QUrl::FullyEncoded) : refused) == (written ? QByteArray(written) : refused), text);
                QVERIFY2(url == strict, text); // equal records compare equal, whichever way they were read
            }
            QVERIFY2((strict && CatalogLinks::isFetchable(*strict)) == fetchable, text);
            QVERIFY2((strict && CatalogLinks::mayOpen(*strict)) == openable, text);
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
    void decodesAndEncodesEveryField()
    {
        CatalogJson::DecodeError error;
        const std::optional<Catalog> catalog = CatalogJson::decode(baseDocument, &error);
        QVERIFY2(catalog, qPrintable(error.toString()));
        QVERIFY(*catalog == baseCatalog());
        // The base document lists the keys in the format's order, absent optionals left out.
        QCOMPARE(CatalogJson::encode(baseCatalog()), QByteArray(baseDocument).replace('\n', ""));
    }

    void rejectsWithCodingPath()
    {
        const auto row = [](const QByteArray &name, const QByteArrayList &edits, const QString &expected) {
            const QString found = failure(edited(edits));
            QVERIFY2(found == expected, qPrintable(name + ": " + found));
        };
        row("app without screenshots", {R"("screenshots":[],)", ""}, "apps[1].screenshots: required key missing");
        row("required key null", {R"("screenshots":[])", R"("screenshots":null)"}, "apps[1].screenshots: expected an array");
        row("featured 1", {R"("featured":true)", R"("featured":1)"}, "apps[0].featured: expected true or false");
        row("source not an object", {R"("source":{)", R"("source":[{)", "/veltrane/photolab\"}", "/veltrane/photolab\"}]"},
            "apps[0].source: expected an object");
        row("version past 64 bits", {R"("version":7)", R"("version":9223372036854775808)"},
            "version: expected an integer that fits in 64 bits, found 9223372036854775808");
        row("fractional seconds", {":00Z\"", ":00.5Z\""},
            R"(updatedAt: expected a date-time like 2025-03-01T09:30:00Z, found "2025-03-01T09:30:00.5Z")");
        row("screenshot not a URL", {"\"https://hub.veltrane.app/screenshots/photolab-2.png\"", R"("%zz")"},
            R"(apps[0].screenshots[1]: expected a URL, found "%zz")");
        row("empty fork", {"\"fork\":\"https://github.com/veltrane/photolab\"", R"("fork":"")"},
            R"(apps[0].source.fork: expected a URL, found "")");
        const QByteArray size = R"("downloadSize":)";
        row("size 0", {size + "48213504", size + "0"}, "apps[0].downloadSize: expected a positive integer, found 0");
        row("size 1.5", {size + "48213504", size + "1.5"}, "apps[0].downloadSize: expected an integer, found 1.5");
        row("size string", {size + "48213504", size + R"("100")"}, "apps[0].downloadSize: expected an integer");
        const QByteArray digest = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
        const QString shaFailure = R"(apps[0].downloadSHA256: expected 64 lower-case hexadecimal digits, found "%1")";
        for (const QByteArray &bad : {digest.toUpper(), digest + '0'})
            row("SHA-256 " + bad, {digest, bad}, shaFailure.arg(QString::fromLatin1(bad)));
        // Keys are judged in the format's order, not the document's.
        row("missing id before a bad later key", {R"({"id":"tempo",)", "{", R"("featured":false)", R"("featured":0)"},
            "apps[1].id: required key missing");
        row("bad keys out of document order", {R"("name":"Tempo",)", R"("name":"Tempo","minimumSystemVersion":12,)",
                                               R"("tagline":"A metronome")", R"("tagline":null)", R"("minimumSystemVersion":"12.0",)", ""},
            "apps[1].tagline: expected a string");
        row("first bad app wins", {R"("featured":true)", R"("featured":1)", R"("name":"Tempo")", R"("name":1)"},
            "apps[0].featured: expected true or false");
        row("categories before apps", {R"("featured":true)", R"("featured":1)", R"({"id":"photo")", R"({"id":null)"},
            "categories[0].id: expected a string");
    }

    // Not well-formed JSON anywhere, even where the format looks no further, fails the document
    // as a whole, before any mismatch with the format.
    void rejectsWholeDocument()
    {
        QByteArrayList malformed = {
            {}, baseDocument + "x", baseDocument.chopped(1), edited({R"("amount":4.99)", R"("amount":04.99)"}),
            edited({R"("Tempo")", R"("Tem\po")"}),                        // a bad escape in a used string
            edited({R"("featured":true)", R"("featured":1)"}) + "x", // malformed after a format error
            edited({R"("featured":true)", R"("featured":1)", R"("featured":false)", R"("featured":false,"x":[}])"})};
        for (const QByteArray &value : {QByteArray("[1,tru]"), QByteArray(R"({"a" 1})"), QByteArray("01"), QByteArray("nul"),
                                        QByteArray(R"("\ud800")"), QByteArray("\"\xff\""), QByteArray(5000, '[') + QByteArray(5000, ']')})
            malformed << edited({R"("version":7,)", R"("version":7,"notes":)" + value + ','});  // an ignored key's value
        for (const QByteArray &json : malformed) {
            CatalogJson::DecodeError error;
            QVERIFY(!CatalogJson::decode(json, &error));
            QVERIFY2(error.reason.startsWith("not valid JSON"), qPrintable(error.toString()));
        }
        QVERIFY(failure("[1, 2]").startsWith("expected an object"));
    }

    void acceptsEquivalentDocuments_data()
    {
        QTest::addColumn<QByteArrayList>("edits");
        QTest::addColumn<Catalog>("expected");
        const Catalog base = baseCatalog();
        QTest::newRow("extra keys at every level") << QByteArrayList {
            R"("version":7,)", R"("version":7,"$schema":{"n":[1,2.5e-3,1e400,123456789012345678901234567890,true,false,null,"\u00e9",{}]},)",
            R"({"id":"photo",)", R"({"id":"photo","color":"blue",)",
            R"({"id":"tempo",)", R"({"id":"tempo","rating":4.5,"tags":[],)",
            R"("currency":"EUR"})", R"("currency":"EUR","tax":{"vat":0.19}})",
            R"("license":"GPL-3.0",)", R"("license":"GPL-3.0","spdx":["GPL-3.0-only"],)",
            "]}", R"(],"etag":null})"} << base;
        QTest::newRow("whitespace everywhere")
            << QByteArrayList {R"({"version":7,)", " \r\n\t{ \"version\" :\n7 ,\t", R"("featured":true)", "\"featured\"  :  true  "} << base;
        QTest::newRow("keys in another order") << keysInAnotherOrder << base;
        QTest::newRow("deeply nested ignored value")
            << QByteArrayList {R"("version":7,)", R"("version":7,"tree":)" + QByteArray(500, '[') + QByteArray(500, ']') + ','} << base;
        QTest::newRow("repeated key, last one counts") << QByteArrayList {R"("name":"Tempo")", R"("name":1,"name":"Tempo")"} << base;
        Catalog nulls = base;
        CatalogApp &app = nulls.apps[0];
        app.bundleID = app.downloadSHA256 = std::nullopt;
        app.iconURL = app.downloadURL = app.homepageURL = std::nullopt;
        app.downloadSize.reset();
        app.source.reset();
        QTest::newRow("null optionals are absent") << QByteArrayList {
            R"("bundleId":"app.veltrane.photolab")", R"("bundleId":null)",
            R"("icon":"https://hub.veltrane.app/icons/photolab.png")", R"("icon":null)",
            R"("download":"https://hub.veltrane.app/downloads/photolab-2.4.1.dmg")", R"("download":null)",
            R"("downloadSize":48213504)", R"("downloadSize":null)",
            "\"downloadSHA256\":\"9f86", "\"downloadSHA256\":null,\"was\":\"9f86",
            R"("homepage":"https://veltrane.app/apps/photolab")", R"("homepage":null)",
            R"("source":{)", R"("source":null,"was":{)"} << nulls;
    }

    void acceptsEquivalentDocuments()
    {
        QFETCH(QByteArrayList, edits);
        QFETCH(Catalog, expected);
        CatalogJson::DecodeError error;
        const std::optional<Catalog> catalog = CatalogJson::decode(edited(edits), &error);
        QVERIFY2(catalog, qPrintable(error.toString()));
        QVERIFY(*catalog == expected);
        // Everything decoded also survives the trip through the encoder.
        QVERIFY(CatalogJson::decode(CatalogJson::encode(*catalog)) == expected);
    }

    // Prices compare by value, however they are written, and are written back as they were read.
    void keepsPricesExactly()
    {
        const auto price = [](const QByteArray &amount) { return CatalogJson::decode(edited({"\"amount\":4.99", "\"amount\":" + amount})); };
        for (const auto &[amount, other, equal] :
             {std::tuple("4.99", "4.990", true), {"1E+2", "100", true}, {"0.0e7", "-0", true}, {"1e400", "10e399", true},
              {"0.10000000000000000000000001", "1.0000000000000000000000001E-1", true},
              {"0.30000000000000000001", "0.3", false} /* equal as doubles */, {"4.99", "4.9", false}}) {
            const std::optional<Catalog> a = price(amount), b = price(other);
            QVERIFY(a && b);
            QVERIFY2((*a == *b) == equal, amount);
            QVERIFY(!equal || qHash(a->apps[0].price.amount) == qHash(b->apps[0].price.amount));
            const QByteArray encoded = CatalogJson::encode(*a);
            QVERIFY2(encoded.contains("{\"amount\":" + QByteArray(amount) + ','), encoded.constData());
        }
    }

    // A hand-made record without a valid date or URL must not turn into a plausible value.
    void encodesWhatCannotBeReadAsUnreadable()
    {
        Catalog c = baseCatalog();
        c.apps[1].updatedAt = QDateTime();
        QCOMPARE(failure(CatalogJson::encode(c)), R"(apps[1].updated: expected a date-time like 2025-03-01T09:30:00Z, found "")");
        c = baseCatalog();
        c.apps[0].source->repository = QUrl();
        QCOMPARE(failure(CatalogJson::encode(c)), R"(apps[0].source.repository: expected a URL, found "")");
    }

    void shippedCatalogueIsComplete()
    {
        QFile file(QStringLiteral(VELTRANE_SHIPPED_CATALOG));
        QVERIFY(file.open(QIODevice::ReadOnly));
        CatalogJson::DecodeError error;
        const std::optional<Catalog> catalog = CatalogJson::decode(file.readAll(), &error);
        QVERIFY2(catalog, qPrintable(error.toString()));
        QSet<QString> ids;
        for (const CatalogApp &app : catalog->apps) {
            QVERIFY2(catalog->category(app) && !ids.contains(app.id), qPrintable(app.id));
            ids.insert(app.id);
            // Every link it names can be used: nothing the Hub would quietly leave out.
            QVERIFY2(app.iconURL && app.fetchableIconURL(), qPrintable(app.id));
            QCOMPARE(app.fetchableDownloadURL(), app.downloadURL);
            QCOMPARE(app.fetchableScreenshotURLs(), app.screenshotURLs);
        }
        QVERIFY(*CatalogJson::decode(CatalogJson::encode(*catalog)) == *catalog);
    }

    void toolValidatesEachFile()
    {
        QTemporaryDir dir;
        const QString good = saved(dir, "good.json", baseDocument);
        const QString bad = saved(dir, "bad.json", edited({R"("featured":true)", R"("featured":1)"}));
        const QString missing = dir.filePath("missing.json");
        const ToolRun run = catalogTool({"validate", good, bad, missing});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, good + ": ok\n" + bad + ": apps[0].featured: expected true or false\n" + missing
                              + ": cannot read (No such file or directory)\n");
        const ToolRun usage = catalogTool({"format", good, good});
        QCOMPARE(usage.exitCode, 2);
        QCOMPARE(usage.err, QString("usage: veltrane-catalog validate FILE...\n       veltrane-catalog format FILE\n"));
    }

    // format writes what the encoder writes: keys in order, times in UTC, unknown keys left out.
    void toolFormats()
    {
        QTemporaryDir dir;
        const ToolRun formatted = catalogTool({"format", saved(dir, "in.json", edited(keysInAnotherOrder + QByteArrayList {
            R"("2025-03-01T09:30:00Z")", R"("2025-03-01T10:30:00+01:00","unknown":[1])"}))});
        QCOMPARE(formatted.exitCode, 0);
        QCOMPARE(formatted.out, QString::fromUtf8(QByteArray(baseDocument).replace('\n', "") + '\n'));

        const QString bad = saved(dir, "trailing.json", baseDocument + "]");
        const ToolRun refused = catalogTool({"format", bad});
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.out, QString());
        QVERIFY2(refused.err.startsWith(bad + ": not valid JSON"), qPrintable(refused.err));
    }

};

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
