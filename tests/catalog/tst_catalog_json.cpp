#include "tst_catalog_json.h"

#include "catalog/CatalogJson.h"

#include <atomic>
#include <limits>
#include <QFile>
#include <QSet>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

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

QDateTime utc(int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

Decimal decimal(const char *text)
{
    return *Decimal::fromJsonText(text);
}

// What baseDocument decodes to, written out field by field.
Catalog baseCatalog()
{
    Catalog c;
    c.version = 7;
    c.updatedAt = utc(2025, 3, 1, 9, 30);
    c.categories = {{u"photo"_s, u"Photography"_s, u"photo"_s},
                    {u"audio"_s, u"Music & Audio"_s, u"music.note"_s}};

    CatalogApp full;
    full.id = u"photolab"_s;
    full.name = u"Photo Lab"_s;
    full.tagline = u"Edit photos"_s;
    full.description = u"Develops RAW files."_s;
    full.categoryID = u"photo"_s;
    full.bundleID = u"app.veltrane.photolab"_s;
    full.version = u"2.4.1"_s;
    full.minimumSystem = u"13.0"_s;
    full.price = {decimal("4.99"), u"EUR"_s};
    full.iconURL = QUrl(u"https://hub.veltrane.app/icons/photolab.png"_s);
    full.screenshotURLs = {QUrl(u"https://hub.veltrane.app/screenshots/photolab-1.png"_s),
                           QUrl(u"https://hub.veltrane.app/screenshots/photolab-2.png"_s)};
    full.downloadURL = QUrl(u"https://hub.veltrane.app/downloads/photolab-2.4.1.dmg"_s);
    full.downloadSize = 48213504;
    full.downloadSHA256 = u"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08"_s;
    full.homepageURL = QUrl(u"https://veltrane.app/apps/photolab"_s);
    full.source = Source{QUrl(u"https://github.com/lumenraw/lumen"_s), u"The Lumen developers"_s,
                         u"GPL-3.0"_s, QUrl(u"https://github.com/veltrane/photolab"_s)};
    full.isFeatured = true;
    full.updatedAt = utc(2025, 2, 18, 14, 5);

    CatalogApp minimal;
    minimal.id = u"tempo"_s;
    minimal.name = u"Tempo"_s;
    minimal.tagline = u"A metronome"_s;
    minimal.description = u"Keeps time."_s;
    minimal.categoryID = u"audio"_s;
    minimal.version = u"2.0.5"_s;
    minimal.minimumSystem = u"12.0"_s;
    minimal.price = {decimal("0"), u"EUR"_s};
    minimal.isFeatured = false;
    minimal.updatedAt = utc(2024, 6, 30, 7, 15);

    c.apps = {full, minimal};
    return c;
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
        return u"(decoded)"_s;
    return error.toString();
}

} // namespace

void TestCatalogJson::decodesEveryField()
{
    CatalogJson::DecodeError error;
    const std::optional<Catalog> catalog = CatalogJson::decode(baseDocument, &error);
    QVERIFY2(catalog, qPrintable(error.toString()));
    const Catalog expected = baseCatalog();
    QCOMPARE(catalog->categories, expected.categories);
    for (qsizetype i = 0; i < expected.apps.size(); ++i)
        QCOMPARE(catalog->apps[i], expected.apps[i]);
    QVERIFY(*catalog == expected);
}

void TestCatalogJson::rejectsWithCodingPath_data()
{
    QTest::addColumn<QByteArrayList>("edits");
    QTest::addColumn<QString>("expected");

    QTest::newRow("app without screenshots") << QByteArrayList{R"("screenshots":[],)", ""}
                                             << u"apps[1].screenshots: required key missing"_s;
    QTest::newRow("screenshots null")
        << QByteArrayList{R"("screenshots":[])", R"("screenshots":null)"}
        << u"apps[1].screenshots: expected an array"_s;
    QTest::newRow("featured 1") << QByteArrayList{R"("featured":true)", R"("featured":1)"}
                                << u"apps[0].featured: expected true or false"_s;
    QTest::newRow("category symbol missing") << QByteArrayList{R"(,"symbol":"music.note")", ""}
                                             << u"categories[1].symbol: required key missing"_s;
    QTest::newRow("category not an object")
        << QByteArrayList{R"({"id":"audio","name":"Music & Audio","symbol":"music.note"})",
                          R"("audio")"}
        << u"categories[1]: expected an object"_s;
    QTest::newRow("apps not an array")
        << QByteArrayList{R"("apps":[)", R"("apps":{"list":[)", "}]}", "}]}}"}
        << u"apps: expected an array"_s;
    QTest::newRow("version fraction") << QByteArrayList{R"("version":7)", R"("version":7.0)"}
                                      << u"version: expected an integer, found 7.0"_s;
    QTest::newRow("version exponent") << QByteArrayList{R"("version":7)", R"("version":1e3)"}
                                      << u"version: expected an integer, found 1e3"_s;
    QTest::newRow("version past 64 bits")
        << QByteArrayList{R"("version":7)", R"("version":9223372036854775808)"}
        << u"version: expected an integer that fits in 64 bits, found 9223372036854775808"_s;
    QTest::newRow("version string") << QByteArrayList{R"("version":7)", R"("version":"7")"}
                                    << u"version: expected an integer"_s;
    QTest::newRow("version missing")
        << QByteArrayList{R"("version":7,)", ""} << u"version: required key missing"_s;
    QTest::newRow("fractional seconds")
        << QByteArrayList{R"("updatedAt":"2025-03-01T09:30:00Z")",
                          R"("updatedAt":"2025-03-01T09:30:00.5Z")"}
        << u"updatedAt: expected a date-time like 2025-03-01T09:30:00Z, found \"2025-03-01T09:30:00.5Z\""_s;
    QTest::newRow("amount as string") << QByteArrayList{R"("amount":4.99)", R"("amount":"4.99")"}
                                      << u"apps[0].price.amount: expected a number"_s;
    QTest::newRow("currency missing") << QByteArrayList{R"(,"currency":"EUR"})", "}"}
                                      << u"apps[0].price.currency: required key missing"_s;
    QTest::newRow("screenshot not a URL")
        << QByteArrayList{R"("https://hub.veltrane.app/screenshots/photolab-2.png")", R"("%zz")"}
        << u"apps[0].screenshots[1]: expected a URL, found \"%zz\""_s;
    QTest::newRow("screenshot not a string")
        << QByteArrayList{R"("https://hub.veltrane.app/screenshots/photolab-2.png")", "{}"}
        << u"apps[0].screenshots[1]: expected a string"_s;
    QTest::newRow("download not a URL")
        << QByteArrayList{R"("download":"https://hub.veltrane.app/downloads/photolab-2.4.1.dmg")",
                          R"("download":"%zz")"}
        << u"apps[0].download: expected a URL, found \"%zz\""_s;
    const auto size = [](const QByteArray &value) {
        return QByteArrayList{R"("downloadSize":48213504)", R"("downloadSize":)" + value};
    };
    QTest::newRow("size 0") << size("0") << u"apps[0].downloadSize: expected a positive integer, found 0"_s;
    QTest::newRow("size -1") << size("-1") << u"apps[0].downloadSize: expected a positive integer, found -1"_s;
    QTest::newRow("size 1.5") << size("1.5") << u"apps[0].downloadSize: expected an integer, found 1.5"_s;
    QTest::newRow("size string") << size(R"("100")") << u"apps[0].downloadSize: expected an integer"_s;
    const QByteArray digest = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
    const auto sha = [&](const QByteArray &value) {
        return QByteArrayList{'"' + digest + '"', '"' + value + '"'};
    };
    const QString shaFailure = u"apps[0].downloadSHA256: expected 64 lower-case hexadecimal digits, found \"%1\""_s;
    for (const QByteArray &bad : {digest.toUpper(), digest.chopped(1), digest + '0', digest.chopped(1) + 'g'})
        QTest::newRow(("SHA-256 " + bad).constData()) << sha(bad) << shaFailure.arg(QString::fromLatin1(bad));
    QTest::newRow("bundleId number")
        << QByteArrayList{R"("bundleId":"app.veltrane.photolab")", R"("bundleId":42)"}
        << u"apps[0].bundleId: expected a string"_s;
    QTest::newRow("repository missing")
        << QByteArrayList{R"("repository":"https://github.com/lumenraw/lumen",)", ""}
        << u"apps[0].source.repository: required key missing"_s;
    QTest::newRow("empty fork")
        << QByteArrayList{R"("fork":"https://github.com/veltrane/photolab")", R"("fork":"")"}
        << u"apps[0].source.fork: expected a URL, found \"\""_s;
    QTest::newRow("source not an object")
        << QByteArrayList{R"("source":{)", R"("source":[{)", R"(/veltrane/photolab"})",
                          R"(/veltrane/photolab"}])"}
        << u"apps[0].source: expected an object"_s;
    QTest::newRow("required key null") << QByteArrayList{R"("name":"Tempo")", R"("name":null)"}
                                       << u"apps[1].name: expected a string"_s;
    // Keys are judged in the format's order, not the document's.
    QTest::newRow("missing id before a bad later key")
        << QByteArrayList{R"({"id":"tempo",)", "{", R"("featured":false)", R"("featured":0)"}
        << u"apps[1].id: required key missing"_s;
    QTest::newRow("bad keys out of document order")
        << QByteArrayList{R"("name":"Tempo",)",
                          R"("name":"Tempo","minimumSystemVersion":12,)",
                          R"("tagline":"A metronome")",
                          R"("tagline":null)",
                          R"("minimumSystemVersion":"12.0",)",
                          ""}
        << u"apps[1].tagline: expected a string"_s;
    QTest::newRow("first bad app wins") << QByteArrayList{R"("featured":true)", R"("featured":1)",
                                                          R"("name":"Tempo")", R"("name":1)"}
                                        << u"apps[0].featured: expected true or false"_s;
    QTest::newRow("categories before apps")
        << QByteArrayList{R"("featured":true)", R"("featured":1)", R"({"id":"photo")",
                          R"({"id":null)"}
        << u"categories[0].id: expected a string"_s;
}

void TestCatalogJson::rejectsWithCodingPath()
{
    QFETCH(QByteArrayList, edits);
    QFETCH(QString, expected);
    QCOMPARE(failure(edited(edits)), expected);
}

void TestCatalogJson::rejectsDocumentThatIsNotAnObject_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("expected");
    QTest::newRow("array") << QByteArray("[1, 2]") << u"expected an object"_s;
    QTest::newRow("null") << QByteArray("null") << u"expected an object"_s;
    QTest::newRow("bad array") << QByteArray("[1, tru]") << u"not valid JSON"_s;
    QTest::newRow("empty") << QByteArray() << u"not valid JSON"_s;
}

void TestCatalogJson::rejectsDocumentThatIsNotAnObject()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, expected);
    CatalogJson::DecodeError error;
    QVERIFY(!CatalogJson::decode(json, &error));
    QCOMPARE(error.path, QString());
    QVERIFY2(error.reason.startsWith(expected), qPrintable(error.reason));
}

// Not well-formed JSON anywhere, even where the format looks no further, fails the document.
void TestCatalogJson::rejectsMalformedJson_data()
{
    QTest::addColumn<QByteArray>("json");
    const auto extra = [](const QByteArray &value) {
        return edited({R"("version":7,)", R"("version":7,"notes":)" + value + ','});
    };
    const QByteArray deep(5000, '[');
    const QList<QByteArray> badValues = {
        "[1,tru]",     R"({"a":1])",   "[1}",
        "01",          "[1,]",         "{,}",
        R"({"a" 1})",  R"({"a":})",    R"("\x")",
        R"("\ud800")", "nul",          "-",
        "1.",          ".5",           "+1",
        "1e",          "truex",        "NaN",
        "Infinity",    "'single'",     "\"tab\there\"",
        "\"\xff\"",    "\"\xc0\xaf\"", deep + QByteArray(5000, ']'),
    };
    for (const QByteArray &value : badValues)
        QTest::newRow(("ignored key holding " + value.left(20)).constData()) << extra(value);
    QTest::newRow("inside a category's extra key")
        << edited({R"({"id":"photo",)", R"({"id":"photo","x":[1,2,],)"});
    QTest::newRow("inside a price's extra key")
        << edited({R"("currency":"EUR"})", R"("currency":"EUR","tax":{"vat":01}})"});
    QTest::newRow("inside a source's extra key")
        << edited({R"("license":"GPL-3.0",)", R"("license":"GPL-3.0","x":fals,)"});
    QTest::newRow("inside an ignored list entry after a bad app")
        << edited({R"("featured":true)", R"("featured":1)", R"("featured":false)",
                   R"("featured":false,"x":[}])"});
    for (const char *tail : {"x", "}", "{}", "[]", "\"\"", "0", ", {}"})
        QTest::newRow((QByteArray("trailing ") + tail).constData()) << baseDocument + tail;
    QTest::newRow("malformed price") << edited({R"("amount":4.99)", R"("amount":04.99)"});
    QTest::newRow("malformed version") << edited({R"("version":7)", R"("version":-07)"});
    QTest::newRow("truncated") << baseDocument.chopped(1);
    QTest::newRow("missing comma") << edited({R"("version":7,)", R"("version":7 )"});
    QTest::newRow("control character in a used string") << edited({R"("Tempo")", "\"Tem\npo\""});
    QTest::newRow("bad escape in a used string") << edited({R"("Tempo")", R"("Tem\po")"});
    QTest::newRow("bad escape in a key") << edited({R"("name":"Tempo")", R"("n\ame":"Tempo")"});
    QTest::newRow("malformed after a format error")
        << edited({R"("featured":true)", R"("featured":1)"}) + "x";
}

void TestCatalogJson::rejectsMalformedJson()
{
    QFETCH(QByteArray, json);
    CatalogJson::DecodeError error;
    QVERIFY(!CatalogJson::decode(json, &error));
    QVERIFY2(error.reason.startsWith(u"not valid JSON"_s), qPrintable(error.toString()));
}

void TestCatalogJson::acceptsEquivalentDocuments_data()
{
    QTest::addColumn<QByteArrayList>("edits");
    QTest::addColumn<Catalog>("expected");
    const Catalog base = baseCatalog();

    QTest::newRow("extra keys at every level")
        << QByteArrayList{R"("version":7,)",
                          R"("version":7,"$schema":{"n":[1,2.5e-3,1e400,123456789012345678901234567890,true,false,null,"\u00e9",{}]},)",
                          R"({"id":"photo",)",
                          R"({"id":"photo","color":"blue",)",
                          R"({"id":"tempo",)",
                          R"({"id":"tempo","rating":4.5,"tags":[],)",
                          R"("currency":"EUR"})",
                          R"("currency":"EUR","tax":{"vat":0.19}})",
                          R"("license":"GPL-3.0",)",
                          R"("license":"GPL-3.0","spdx":["GPL-3.0-only"],)",
                          "]}",
                          R"(],"etag":null})"}
        << base;
    QTest::newRow("whitespace everywhere")
        << QByteArrayList{R"({"version":7,)", " \r\n\t{ \"version\" :\n7 ,\t", R"("featured":true)",
                          "\"featured\"  :  true  "}
        << base;
    QTest::newRow("keys in another order")
        << QByteArrayList{R"({"id":"photo","name":"Photography","symbol":"photo"})",
                          R"({"symbol":"photo","name":"Photography","id":"photo"})",
                          R"({"id":"tempo","name":"Tempo",)",
                          R"({"name":"Tempo",)",
                          R"("updated":"2024-06-30T07:15:00Z"})",
                          R"("updated":"2024-06-30T07:15:00Z","id":"tempo"})"}
        << base;
    QTest::newRow("deeply nested ignored value")
        << QByteArrayList{R"("version":7,)",
                          R"("version":7,"tree":)" + QByteArray(500, '[') + QByteArray(500, ']') + ','}
        << base;
    QTest::newRow("escaped key") << QByteArrayList{R"("name":"Tempo")", R"("n\u0061me":"Tempo")"}
                                 << base;
    QTest::newRow("repeated key, last one counts")
        << QByteArrayList{R"("name":"Tempo")", R"("name":1,"name":"Tempo")"} << base;

    Catalog nulls = base;
    CatalogApp &app = nulls.apps[0];
    app.bundleID.reset();
    app.iconURL.reset();
    app.downloadURL.reset();
    app.downloadSize.reset();
    app.downloadSHA256.reset();
    app.homepageURL.reset();
    app.source.reset();
    QTest::newRow("null optionals are absent")
        << QByteArrayList{R"("bundleId":"app.veltrane.photolab")",
                          R"("bundleId":null)",
                          R"("icon":"https://hub.veltrane.app/icons/photolab.png")",
                          R"("icon":null)",
                          R"("download":"https://hub.veltrane.app/downloads/photolab-2.4.1.dmg")",
                          R"("download":null)",
                          R"("downloadSize":48213504)", R"("downloadSize":null)",
                          R"("downloadSHA256":"9f86)", R"("downloadSHA256":null,"was":"9f86)",
                          R"("homepage":"https://veltrane.app/apps/photolab")",
                          R"("homepage":null)",
                          R"("source":{)",
                          R"("source":null,"was":{)"}
        << nulls;

    Catalog noFork = base;
    noFork.apps[0].source->fork.reset();
    QTest::newRow("null fork") << QByteArrayList{R"("fork":"https://github.com/veltrane/photolab")",
                                                 R"("fork":null)"}
                               << noFork;

    QTest::newRow("timestamps with offsets")
        << QByteArrayList{R"("updatedAt":"2025-03-01T09:30:00Z")",
                          R"("updatedAt":"2025-03-01T10:30:00+01:00")",
                          R"("updated":"2025-02-18T14:05:00Z")",
                          R"("updated":"2025-02-18T08:35:00-05:30")",
                          R"("updated":"2024-06-30T07:15:00Z")",
                          R"("updated":"2024-06-30T07:15:00-00:00")"}
        << base;

    Catalog lowest = base;
    lowest.version = std::numeric_limits<qint64>::min();
    QTest::newRow("lowest version")
        << QByteArrayList{R"("version":7)", R"("version":-9223372036854775808)"} << lowest;

    Catalog relative = base;
    relative.apps[0].iconURL = QUrl(u"icons/photolab.png"_s);
    relative.apps[0].downloadURL = QUrl(u"file:///tmp/photolab.dmg"_s);
    QTest::newRow("URL references that the Hub will not use")
        << QByteArrayList{R"("https://hub.veltrane.app/icons/photolab.png")", R"("icons/photolab.png")",
                          R"("https://hub.veltrane.app/downloads/photolab-2.4.1.dmg")", R"("file:///tmp/photolab.dmg")"}
        << relative;

    Catalog exotic = base;
    exotic.apps[0].iconURL = QUrl(u"https://hub.veltrane.app/icons/f\u00f6to.png?size=2x#top"_s);
    exotic.apps[0].screenshotURLs = {QUrl(u"https://[::1]:8443/shot%201.png"_s)};
    QTest::newRow("URLs with non-ASCII, escapes, query, IPv6")
        << QByteArrayList{R"("https://hub.veltrane.app/icons/photolab.png")",
                          "\"https://hub.veltrane.app/icons/f\xc3\xb6to.png?size=2x#top\"",
                          R"("https://hub.veltrane.app/screenshots/photolab-1.png","https://hub.veltrane.app/screenshots/photolab-2.png")",
                          R"("https://[::1]:8443/shot%201.png")"}
        << exotic;
}

void TestCatalogJson::acceptsEquivalentDocuments()
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

void TestCatalogJson::keepsStringsExactly()
{
    const QByteArray json = edited(
        {R"("Keeps time.")", R"("Caf\u00e9 \ud83d\ude00 \"q\" \\ \/ \b\f\n\r\t \u0000 \u001f end )"
                             "\xe2\x98\x95 \xc3\x9c"
                             "n\xc3\xaf"
                             "c\xc3\xb6"
                             "d\xc3\xa9 \xf0\x9f\x8e\xb5\""});
    const QString expected = u"Caf\u00e9 \U0001F600 \"q\" \\ / \b\f\n\r\t "_s + QChar(0) +
                             u" \u001f end \u2615 \u00dcn\u00efc\u00f6d\u00e9 \U0001F3B5"_s;
    const std::optional<Catalog> catalog = CatalogJson::decode(json);
    QVERIFY(catalog);
    QCOMPARE(catalog->apps[1].description, expected);

    const QByteArray encoded = CatalogJson::encode(*catalog);
    QVERIFY(encoded.contains(R"(\"q\" \\ / \b\f\n\r\t \u0000 \u001f end )"));
    QVERIFY(encoded.contains("\xe2\x98\x95")); // non-ASCII stays UTF-8
    QCOMPARE(CatalogJson::decode(encoded)->apps[1].description, expected);
}

void TestCatalogJson::keepsPricesExactly_data()
{
    QTest::addColumn<QByteArray>("amount");
    QTest::addColumn<QByteArray>("sameAs");
    QTest::newRow("4.99") << QByteArray("4.99") << QByteArray("4.990");
    QTest::newRow("4.90") << QByteArray("4.90") << QByteArray("4.9");
    QTest::newRow("1e2") << QByteArray("1e2") << QByteArray("100");
    QTest::newRow("-0") << QByteArray("-0") << QByteArray("0");
    QTest::newRow("0.1 beyond double") << QByteArray("0.10000000000000000000000001")
                                       << QByteArray("1.0000000000000000000000001E-1");
    QTest::newRow("huge") << QByteArray("1e400") << QByteArray("10e399");
}

void TestCatalogJson::keepsPricesExactly()
{
    QFETCH(QByteArray, amount);
    QFETCH(QByteArray, sameAs);
    const std::optional<Catalog> a =
        CatalogJson::decode(edited({"\"amount\":4.99", "\"amount\":" + amount}));
    const std::optional<Catalog> b =
        CatalogJson::decode(edited({"\"amount\":4.99", "\"amount\":" + sameAs}));
    QVERIFY(a && b);
    QVERIFY(a->apps[0].price == b->apps[0].price);
    QVERIFY(*a == *b);
    // The encoder writes back the text that was read, not a rounded double.
    const QByteArray encoded = CatalogJson::encode(*a);
    QVERIFY2(encoded.contains("{\"amount\":" + amount + ','), encoded.constData());
    QVERIFY(*CatalogJson::decode(encoded) == *a);
}

void TestCatalogJson::encodesInFormatOrderWithoutAbsentKeys()
{
    Catalog c;
    c.version = -3;
    c.updatedAt = QDateTime(QDate(2025, 3, 1), QTime(10, 30, 0, 999), Qt::OffsetFromUTC, 3600);
    c.categories = {{u"tools"_s, u"T\"oo\\ls"_s, u"hammer"_s}};
    CatalogApp a;
    a.id = u"x"_s;
    a.name = u"X\u0001"_s;
    a.tagline = u"t"_s;
    a.description = u"d\n"_s;
    a.categoryID = u"tools"_s;
    a.version = u"1.0"_s;
    a.minimumSystem = u"14.0"_s;
    a.price = {decimal("4.90"), u"EUR"_s};
    a.updatedAt = utc(1999, 12, 31, 23, 59, 59);
    c.apps = {a};
    a.id = u"y"_s;
    a.bundleID = u"app.veltrane.y"_s;
    a.iconURL = QUrl(u"https://hub.veltrane.app/icons/y.png"_s);
    a.screenshotURLs = {QUrl(u"https://hub.veltrane.app/s/y-1.png"_s),
                        QUrl(u"https://hub.veltrane.app/s/y-2.png"_s)};
    a.downloadURL = QUrl(u"https://hub.veltrane.app/downloads/y-1.0.dmg"_s);
    a.downloadSize = 9007199254740993; // past a double's exact integers
    a.downloadSHA256 = QString(64, u'e');
    a.homepageURL = QUrl(u"https://veltrane.app/apps/y"_s);
    a.source = Source{QUrl(u"https://github.com/o/y"_s), u"O"_s, u"MIT"_s, std::nullopt};
    a.isFeatured = true;
    c.apps.append(a);

    const QByteArray expected =
        R"({"version":-3,"updatedAt":"2025-03-01T09:30:00Z","categories":[{"id":"tools","name":"T\"oo\\ls","symbol":"hammer"}],)"
        R"("apps":[{"id":"x","name":"X\u0001","tagline":"t","description":"d\n","version":"1.0","price":{"amount":4.90,"currency":"EUR"},)"
        R"("category":"tools","minimumSystemVersion":"14.0","screenshots":[],"featured":false,"updated":"1999-12-31T23:59:59Z"},)"
        R"({"id":"y","name":"X\u0001","tagline":"t","description":"d\n","version":"1.0","price":{"amount":4.90,"currency":"EUR"},)"
        R"("source":{"repository":"https://github.com/o/y","author":"O","license":"MIT"},"category":"tools","bundleId":"app.veltrane.y",)"
        R"("minimumSystemVersion":"14.0","icon":"https://hub.veltrane.app/icons/y.png",)"
        R"("screenshots":["https://hub.veltrane.app/s/y-1.png","https://hub.veltrane.app/s/y-2.png"],)"
        R"("download":"https://hub.veltrane.app/downloads/y-1.0.dmg","downloadSize":9007199254740993,)"
        R"("downloadSHA256":"eeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeee","homepage":"https://veltrane.app/apps/y",)"
        R"("featured":true,"updated":"1999-12-31T23:59:59Z"}]})";
    QCOMPARE(CatalogJson::encode(c), expected);

    // Whole seconds only: the fraction is dropped, the rest comes back equal.
    Catalog whole = c;
    whole.updatedAt = utc(2025, 3, 1, 9, 30);
    QVERIFY(*CatalogJson::decode(expected) == whole);
}

void TestCatalogJson::encodesWhatCannotBeReadAsUnreadable()
{
    // A hand-made record without a valid date or URL must not turn into a plausible value.
    Catalog c = baseCatalog();
    c.apps[1].updatedAt = QDateTime();
    QCOMPARE(failure(CatalogJson::encode(c)),
             u"apps[1].updated: expected a date-time like 2025-03-01T09:30:00Z, found \"\""_s);
    c = baseCatalog();
    c.apps[0].source->repository = QUrl();
    QCOMPARE(failure(CatalogJson::encode(c)),
             u"apps[0].source.repository: expected a URL, found \"\""_s);
}

void TestCatalogJson::decodesOnManyThreadsAtOnce()
{
    const Catalog expected = baseCatalog();
    std::atomic<int> good = 0;
    QList<QThread *> threads;
    for (int t = 0; t < 4; ++t) {
        threads.append(QThread::create([&] {
            for (int i = 0; i < 200; ++i) {
                const bool okay = CatalogJson::decode(baseDocument) == expected;
                const bool bad =
                    !CatalogJson::decode(edited({R"("featured":true)", R"("featured":1)"}));
                good += okay && bad;
            }
        }));
        threads.last()->start();
    }
    for (QThread *thread : threads) {
        thread->wait();
        delete thread;
    }
    QCOMPARE(good.load(), 800);
}

void TestCatalogJson::shippedCatalogueIsComplete()
{
    QFile file(QStringLiteral(VELTRANE_SHIPPED_CATALOG));
    QVERIFY(file.open(QIODevice::ReadOnly));
    CatalogJson::DecodeError error;
    const std::optional<Catalog> catalog = CatalogJson::decode(file.readAll(), &error);
    QVERIFY2(catalog, qPrintable(error.toString()));
    QVERIFY(catalog->apps.size() >= 12);
    QVERIFY(catalog->categories.size() >= 4);
    QSet<QString> ids;
    int withoutBundle = 0, withoutDownload = 0, featured = 0, paid = 0;
    for (const CatalogApp &app : catalog->apps) {
        QVERIFY2(catalog->category(app), qPrintable(app.id));
        ids.insert(app.id);
        withoutBundle += !app.bundleID;
        withoutDownload += !app.downloadURL;
        featured += app.isFeatured;
        paid += !app.price.isFree();
        if (app.downloadURL)
            QCOMPARE(app.downloadURL->toString(),
                     u"https://hub.veltrane.app/downloads/%1-%2.dmg"_s.arg(app.id, app.version));
    }
    QCOMPARE(ids.size(), catalog->apps.size());
    QCOMPARE(withoutBundle, 1);
    QCOMPARE(withoutDownload, 1);
    QVERIFY(featured > 0 && paid > 0);
    QVERIFY(*CatalogJson::decode(CatalogJson::encode(*catalog)) == *catalog);
}

QTEST_GUILESS_MAIN(TestCatalogJson)
