#include "catalog/CatalogJson.h"
#include "catalog/CatalogJsonUrl.h"

#include <QTest>

using namespace Qt::StringLiterals;
using CatalogJson::UrlReader;

namespace {
// What a refused URL reads as below: no URL is written with '<'.
const QByteArray refused = "<refused>";
} // namespace

// Catalogue URLs: which strings are read, how they are written back, and which of them the
// Hub may fetch or open.
class TestCatalogUrl : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
        row("https://hub.veltrane.app/~u/_x-y.Z", "https://hub.veltrane.app/~u/_x-y.Z", true, true);
        row("https://hub.veltrane.app", "https://hub.veltrane.app", true, true);
        row("https://hub.veltrane.app:0443/x", "https://hub.veltrane.app:443/x", true, true);
        row("HTTPS://Hub.Veltrane.App/x", "https://hub.veltrane.app/x", true, true);
        row("https://hub.veltrane.app/a/../b", "https://hub.veltrane.app/a/../b", true, true);
        row("https://hub.veltrane.app/\xc3\xa4", "https://hub.veltrane.app/%C3%A4", true, true);
        row("https://b\xc3\xbc"
            "cher.example/x",
            "https://xn--bcher-kva.example/x", true, true);
        row("https://[::1]:8443/x?y=1#z", "https://[::1]:8443/x?y=1#z", true, true);
        row("http://localhost:8443/x/y", "http://localhost:8443/x/y", false, true);
        // References without a scheme and other schemes are kept but never used.
        row("icons/photolab.png", "icons/photolab.png", false, false);
        row("//hub.veltrane.app/x", "//hub.veltrane.app/x", false, false);
        row("/icons/a%20b.png", "/icons/a%20b.png", false, false);
        row("file:///etc/passwd", "file:///etc/passwd", false, false);
        row("javascript:alert(1)", "javascript:alert(1)", false, false);
        row("ftp://files.example/a.dmg", "ftp://files.example/a.dmg", false, false);
        row("https:foo", "https:foo", false, false);
        // Not URLs at all.
        row("", nullptr, false, false);
        row(" https://hub.veltrane.app/x", nullptr, false, false);
        row("https://hub.veltrane.app/a b", nullptr, false, false);
        row("https://hub.veltrane.app/a%zzb", nullptr, false, false);
        row("https://127.0.0.1:99999/a", nullptr, false, false);
        row("https://-bad.app/x", nullptr, false, false);
        row("https://x/a#b#c", nullptr, false, false); // QUrl takes it but cannot write it back
    }
    void readsUrlReferences()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, written);
        QFETCH(bool, fetchable);
        QFETCH(bool, openable);
        const std::string_view utf8(text.constData(), size_t(text.size()));
        const std::optional<QUrl> strict = UrlReader::readStrictly(utf8);
        UrlReader reader;
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
        catalog.updatedAt = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
        CatalogApp app;
        app.updatedAt = catalog.updatedAt;
        app.iconURL = strict;
        catalog.apps = {app};
        const QByteArray json = CatalogJson::encode(catalog);
        QVERIFY2(json.contains("\"icon\":\"" + written + '"'), json.constData());
        QVERIFY(CatalogJson::decode(json)->apps[0].iconURL == strict);
    }

    void keepsManyHostsApart()
    {
        UrlReader reader;
        for (int round = 0; round < 3; ++round) {
            for (int host = 0; host < 20; ++host) {
                const QByteArray text = "https://host" + QByteArray::number(host) + ".example/file" +
                                        QByteArray::number(round);
                const std::optional<QUrl> url =
                    reader.read(std::string_view(text.constData(), size_t(text.size())));
                QVERIFY(url);
                QCOMPARE(url->toEncoded(), text);
            }
        }
    }

    void unusableLinksCountAsAbsent()
    {
        const QUrl https(u"https://hub.veltrane.app/x"_s);
        CatalogApp app;
        app.iconURL = QUrl(u"icons/photolab.png"_s);
        app.downloadURL = QUrl(u"http://hub.veltrane.app/photolab.dmg"_s);
        app.screenshotURLs = {QUrl(u"file:///etc/passwd"_s), https, QUrl(u"s/2.png"_s)};
        QVERIFY(!app.fetchableIconURL() && !app.fetchableDownloadURL());
        QCOMPARE(app.fetchableScreenshotURLs(), QList<QUrl>{https});
        app.iconURL = app.downloadURL = https;
        QVERIFY(app.fetchableIconURL() == https && app.fetchableDownloadURL() == https);
    }
};

QTEST_GUILESS_MAIN(TestCatalogUrl)
#include "tst_catalog_url.moc"
