#include "catalog/CatalogJson.h"
#include "catalog/CatalogJsonUrl.h"

#include <QTest>

using namespace Qt::StringLiterals;
using CatalogJson::UrlReader;

// URL reading and writing take shortcuts for the common shape; they must give exactly what
// QUrl's strict parse and full encoding give.
class TestCatalogUrl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsLikeStrictQUrl_data()
    {
        QTest::addColumn<QByteArray>("text");
        const char *const urls[] = {
            "https://hub.veltrane.app/icons/photolab.png",
            "https://hub.veltrane.app/",
            "https://hub.veltrane.app",
            "http://localhost:8443/x/y",
            "https://127.0.0.1:65535/a",
            "https://127.0.0.1:99999/a",
            "https://hub.veltrane.app:0443/x",
            "https://hub.veltrane.app:/x",
            "https://hub.veltrane.app/a/../b",
            "https://hub.veltrane.app/./b",
            "https://hub.veltrane.app/.",
            "https://hub.veltrane.app//double",
            "https://hub.veltrane.app/x.",
            "https://hub.veltrane.app/~user/_x-y.Z",
            "https://Hub.Veltrane.App/x",
            "HTTPS://hub.veltrane.app/x",
            "https://hub.veltrane.app/a%20b",
            "https://hub.veltrane.app/a%zzb",
            "https://hub.veltrane.app/\xc3\xa4",
            "https://hub.veltrane.app/a b",
            "https://hub.veltrane.app/a\"b",
            "https://user:pw@hub.veltrane.app/x",
            "https://hub.veltrane.app/x?y=1#z",
            "https://hub.veltrane.app/x#",
            "https://x/a#b#c",
            "https://-bad.app/x",
            "https://a..b/x",
            "https://xn--bcher-kva.example/x",
            "https://b\xc3\xbc"
            "cher.example/x",
            "https://[::1]:8443/x",
            "https://[::1/x",
            "https://hub veltrane.app/x",
            "https://hub.veltrane.app/x\\y",
            "mailto:x@y",
            "file:///tmp/x",
            "https:foo",
            "https:/x",
            "",
            " ",
            " https://hub.veltrane.app/x",
            "https://hub.veltrane.app/x ",
            "relative/x",
            "//host/x",
            "/absolute/path",
            "ftp://files.example/a.dmg",
            "http://h/",
            "https://1.2.3.4/x",
            "https://0x7f.1/x",
            "https://256.1.1.1/x",
        };
        for (const char *url : urls)
            QTest::newRow(url) << QByteArray(url);
    }
    void readsLikeStrictQUrl()
    {
        QFETCH(QByteArray, text);
        const std::string_view utf8(text.constData(), size_t(text.size()));
        const std::optional<QUrl> expected = UrlReader::readStrictly(utf8);
        UrlReader reader;
        for (int round = 0; round < 2; ++round) { // the second round reuses the parsed host
            const std::optional<QUrl> url = reader.read(utf8);
            QCOMPARE(url.has_value(), expected.has_value());
            if (!url)
                continue;
            QVERIFY(*url == *expected);
            QCOMPARE(url->toString(QUrl::FullyEncoded), expected->toString(QUrl::FullyEncoded));
            QCOMPARE(url->toString(), expected->toString());
            QVERIFY(url->isValid() && !url->isRelative());
        }
    }

    void keepsManyHostsApart()
    {
        UrlReader reader;
        for (int round = 0; round < 3; ++round) {
            for (int host = 0; host < 20; ++host) {
                const QByteArray text = "https://host" + QByteArray::number(host) +
                                        ".example/file" + QByteArray::number(round);
                const std::optional<QUrl> url =
                    reader.read(std::string_view(text.constData(), size_t(text.size())));
                QVERIFY(url);
                QCOMPARE(url->toEncoded(), text);
            }
        }
    }

    void writesLikeFullEncoding_data() { readsLikeStrictQUrl_data(); }
    void writesLikeFullEncoding()
    {
        QFETCH(QByteArray, text);
        const std::optional<QUrl> url =
            UrlReader::readStrictly(std::string_view(text.constData(), size_t(text.size())));
        if (!url)
            return;
        Catalog catalog;
        catalog.updatedAt = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
        CatalogApp app;
        app.updatedAt = catalog.updatedAt;
        app.iconURL = *url;
        catalog.apps = {app};
        const QByteArray json = CatalogJson::encode(catalog);
        QVERIFY2(json.contains("\"icon\":\"" + url->toEncoded(QUrl::FullyEncoded) + '"'),
                 json.constData());
        QVERIFY(CatalogJson::decode(json)->apps[0].iconURL == url);
    }
};

QTEST_GUILESS_MAIN(TestCatalogUrl)
#include "tst_catalog_url.moc"
