// Finding installed copies of an app, on a folder tree standing in for the machine:
// - the preferred copy: Applications folders first, then the newest, then registry order
// - registered copies are used before any folder scan; unusable entries are passed over
// - the folder scan looks only in Applications folders, at ".app" exactly, for the exact id
// - a copy without a short version, or with a malformed Info.plist, is never found
// - binary Info.plist files are read
// - a scan for several identifiers keeps only those found; a bundle asked for by path counts
//   only with the identifier asked for
// - versions order by numeric runs of any length, other characters by code unit

#include "BundleTree.h"

#include "platform/DesktopEntries.h"
#include "service/InstalledApps.h"

#include <QTest>

namespace {

enum class Registry { None, User, System };

const QString mailID = "app.veltrane.Mail";

struct Copy {
    QString relative;
    std::optional<QString> version;
    Registry registry = Registry::None;
    BundleTree::Format format = BundleTree::Format::Xml;
    QString bundleID = mailID;
};
using Copies = QList<Copy>;

} // namespace

class InstalledAppsTest : public QObject {
    Q_OBJECT

    static void install(BundleTree &tree, const Copy &copy)
    {
        const QString bundle = tree.addBundle(copy.relative, copy.bundleID, copy.version, copy.format);
        Locations registry = tree.locations();
        if (copy.registry == Registry::System)
            registry.dataHome = registry.dataDirs.constLast(); // writes where the system entries are read
        if (copy.registry != Registry::None)
            QVERIFY(DesktopEntries::registerBundle(registry, bundle));
    }

private Q_SLOTS:
    void findsThePreferredCopy_data()
    {
        QTest::addColumn<Copies>("copies");
        QTest::addColumn<QString>("location"); // empty: none found
        QTest::addColumn<QString>("version");
        using R = Registry;
        const auto none = std::nullopt;
        const QString a = "Applications/Mail.app", h = "home/Applications/Mail.app", d = "home/Downloads/Mail.app";
        const QString u = "Applications/Utilities/Mail.app", post = "home/Applications/Post.app";
        QTest::newRow("Applications 1.2 beats Downloads 1.3") << Copies {{a, "1.2", R::User}, {d, "1.3", R::User}} << a << "1.2";
        QTest::newRow("newest across Applications folders") << Copies {{a, "1.2", R::User}, {h, "1.10", R::User}} << h << "1.10";
        QTest::newRow("equal versions: user entry first") << Copies {{a, "2.0", R::System}, {h, "2.0", R::User}} << h << "2.0";
        QTest::newRow("only a copy in Utilities") << Copies {{u, "1.0", R::User}} << u << "1.0";
        QTest::newRow("folder scan skips Utilities") << Copies {{u, "1.0", R::None}} << "" << "";
        QTest::newRow("registered copy elsewhere: no folder scan") << Copies {{d, "1.3", R::User}, {a, "1.2"}} << d << "1.3";
        QTest::newRow("folder scan skips other ids, by case too") << Copies {{a, "9.0", R::None, {}, "app.veltrane.mail"}, {post, "0.9"}}
                                                                  << post << "0.9";
        QTest::newRow("no short version: never found") << Copies {{a, none, R::User}, {h, none}} << "" << "";
        QTest::newRow("unusable registry entry: folder scan") << Copies {{d, none, R::User}, {h, "3.0"}} << h << "3.0";
        QTest::newRow("binary Info.plist") << Copies {{a, "4.1", R::None, BundleTree::Format::Binary}} << a << "4.1";
        QTest::newRow("extension exactly .app") << Copies {{"Applications/Mail.App", "1.0"}, {"Applications/Mail.app.old", "1.0"}}
                                                << "" << "";
    }

    void findsThePreferredCopy()
    {
        QFETCH(Copies, copies);
        QFETCH(QString, location);
        QFETCH(QString, version);
        BundleTree tree;
        for (const Copy &copy : copies)
            install(tree, copy);
        const std::optional<InstalledApp> found = InstalledApps(tree.locations()).find(mailID);
        QCOMPARE(found.has_value(), !location.isEmpty());
        if (found)
            QCOMPARE(*found, (InstalledApp {mailID, version, tree.path(location)}));
    }

    void malformedInfoPlistIsSkipped_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
        QTest::newRow("not a plist") << QByteArray("hello");
        QTest::newRow("version not a string") << xml + "<dict><key>CFBundleIdentifier</key><string>app.veltrane.Mail</string>"
                                                       "<key>CFBundleShortVersionString</key><real>1.5</real></dict></plist>";
        QTest::newRow("bad binary") << QByteArray("bplist00\xff\xff\xff", 11);
    }

    void malformedInfoPlistIsSkipped()
    {
        QFETCH(QByteArray, content);
        BundleTree tree;
        tree.writeFile("Applications/Mail.app/Contents/Info.plist", content);
        QVERIFY(!InstalledApps(tree.locations()).app(tree.path("Applications/Mail.app"), mailID));
        QVERIFY(!InstalledApps(tree.locations()).find(mailID));
    }

    void scanKeepsOnlyFoundIdentifiers()
    {
        BundleTree tree;
        const InstalledApp mail {mailID, "1.0", tree.addBundle("Applications/Mail.app", mailID, "1.0")};
        const QString notesID = "app.veltrane.Notes";
        const InstalledApp notes {notesID, "2.0", tree.addBundle("home/Applications/Notes.app", notesID, "2.0")};
        const InstalledApps apps(tree.locations());
        const auto found = apps.scan({mailID, "app.veltrane.Missing", notes.bundleID, mailID});
        QCOMPARE(found.size(), 2);
        QCOMPARE(found.value(mailID), mail);
        QCOMPARE(found.value(notes.bundleID), notes);
        QCOMPARE(apps.app(mail.location, mailID), mail);
        QVERIFY(!apps.app(mail.location, notes.bundleID));
    }

    void versionOrdering_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("2.10 > 2.9") << "2.10" << "2.9" << 1;
        QTest::newRow("leading zeros equal") << "1.01" << "1.1" << 0;
        QTest::newRow("leading zeros, then difference") << "1.01.2" << "1.1.3" << -1;
        QTest::newRow("huge runs by value") << "1.123456789012345678901234567890" << "1.123456789012345678901234567891" << -1;
        QTest::newRow("case-sensitive") << "1.0B" << "1.0a" << -1;
        QTest::newRow("digit vs letter by code unit") << "1.0" << "1.a" << -1;
    }

    void versionOrdering()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const auto sign = [](int x) { return (x > 0) - (x < 0); };
        QCOMPARE(sign(InstalledApps::compareVersions(a, b)), order);
        QCOMPARE(sign(InstalledApps::compareVersions(b, a)), -order);
    }

};

QTEST_GUILESS_MAIN(InstalledAppsTest)
#include "tst_installed_apps.moc"
