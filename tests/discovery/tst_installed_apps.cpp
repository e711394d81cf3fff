#include "BundleTree.h"

#include "platform/DesktopEntries.h"
#include "platform/Destination.h"
#include "service/InstalledApps.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

namespace {

enum class Registry { None, User, System };

struct Copy {
    QString relative;
    QString bundleID = QStringLiteral("app.veltrane.Mail");
    std::optional<QString> version;
    Registry registry = Registry::None;
    BundleTree::Format format = BundleTree::Format::Xml;
};

const QString mailID = QStringLiteral("app.veltrane.Mail");

} // namespace

Q_DECLARE_METATYPE(QList<Copy>)
Q_DECLARE_METATYPE(std::optional<QString>)

class InstalledAppsTest : public QObject {
    Q_OBJECT

private:
    static void install(BundleTree &tree, const Copy &copy)
    {
        const QString bundle = tree.addBundle(copy.relative, copy.bundleID, copy.version, copy.format);
        Locations registry = tree.locations();
        if (copy.registry == Registry::System)
            registry.dataHome = registry.dataDirs.constLast();  // writes where the system entries are read
        if (copy.registry != Registry::None)
            QVERIFY(DesktopEntries::registerBundle(registry, bundle));
    }

private Q_SLOTS:
    void findsThePreferredCopy_data()
    {
        QTest::addColumn<QList<Copy>>("copies");
        QTest::addColumn<std::optional<QString>>("expected");
        using R = Registry;
        const auto v = [](const char *s) { return std::optional<QString>(QString::fromLatin1(s)); };
        const auto at = [](const char *s) { return std::optional<QString>(QString::fromLatin1(s)); };
        const std::optional<QString> nothing;

        QTest::newRow("Applications 1.2 beats Downloads 1.3")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("1.2"), R::User},
                           {"home/Downloads/Mail.app", mailID, v("1.3"), R::User}}
            << at("Applications/Mail.app");
        QTest::newRow("newest across Applications folders, registered")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("1.2"), R::User},
                           {"home/Applications/Mail.app", mailID, v("1.10"), R::User}}
            << at("home/Applications/Mail.app");
        QTest::newRow("newest across Applications folders, folder scan")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("1.10"), R::None},
                           {"home/Applications/Mail.app", mailID, v("1.9"), R::None}}
            << at("Applications/Mail.app");
        QTest::newRow("equal versions: registry order, user entry first")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("2.0"), R::System},
                           {"home/Applications/Mail.app", mailID, v("2.0"), R::User}}
            << at("home/Applications/Mail.app");
        QTest::newRow("equal versions: registry order, other way round")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("2.0"), R::User},
                           {"home/Applications/Mail.app", mailID, v("2.0"), R::System}}
            << at("Applications/Mail.app");
        QTest::newRow("only a copy in Utilities")
            << QList<Copy>{{"Applications/Utilities/Mail.app", mailID, v("1.0"), R::User}}
            << at("Applications/Utilities/Mail.app");
        QTest::newRow("folder scan does not descend into Utilities")
            << QList<Copy>{{"Applications/Utilities/Mail.app", mailID, v("1.0"), R::None}} << nothing;
        QTest::newRow("registered copy elsewhere: no folder scan")
            << QList<Copy>{{"home/Downloads/Mail.app", mailID, v("1.3"), R::User},
                           {"Applications/Mail.app", mailID, v("1.2"), R::None}}
            << at("home/Downloads/Mail.app");
        QTest::newRow("folder scan skips another identifier")
            << QList<Copy>{{"Applications/Mail.app", QStringLiteral("app.veltrane.Notes"), v("9.0"), R::None},
                           {"home/Applications/Post.app", mailID, v("0.9"), R::None}}
            << at("home/Applications/Post.app");
        QTest::newRow("identifier match is case-sensitive")
            << QList<Copy>{{"Applications/Mail.app", QStringLiteral("app.veltrane.mail"), v("1.0"), R::None}} << nothing;
        QTest::newRow("no short version: never found")
            << QList<Copy>{{"Applications/Mail.app", mailID, std::nullopt, R::User},
                           {"home/Applications/Mail.app", mailID, std::nullopt, R::None}}
            << nothing;
        QTest::newRow("unusable registry entry: folder scan")
            << QList<Copy>{{"home/Downloads/Mail.app", mailID, std::nullopt, R::User},
                           {"home/Applications/Mail.app", mailID, v("3.0"), R::None}}
            << at("home/Applications/Mail.app");
        QTest::newRow("binary Info.plist")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("4.1"), R::None, BundleTree::Format::Binary}}
            << at("Applications/Mail.app");
        QTest::newRow("extension must be exactly .app")
            << QList<Copy>{{"Applications/Mail.App", mailID, v("1.0"), R::None},
                           {"Applications/Mail.app.old", mailID, v("1.0"), R::None}}
            << nothing;
    }

    void findsThePreferredCopy()
    {
        QFETCH(QList<Copy>, copies);
        QFETCH(std::optional<QString>, expected);

        BundleTree tree;
        for (const Copy &copy : copies)
            install(tree, copy);

        const std::optional<InstalledApp> found = InstalledApps(tree.locations()).find(mailID);
        QCOMPARE(found.has_value(), expected.has_value());
        if (!expected)
            return;
        QCOMPARE(found->location, tree.path(*expected));
        QCOMPARE(found->bundleID, mailID);
        const auto chosen = std::find_if(copies.begin(), copies.end(),
                                         [&](const Copy &c) { return c.relative == *expected; });
        QCOMPARE(std::optional<QString>(found->version), chosen->version);
    }

    void staleRegistryEntryFallsBackToFolderScan()
    {
        BundleTree tree;
        const QString gone = tree.addBundle(QStringLiteral("home/Downloads/Mail.app"), mailID, QStringLiteral("5.0"));
        QVERIFY(DesktopEntries::registerBundle(tree.locations(), gone));
        QVERIFY(QDir(gone).removeRecursively());
        const QString kept = tree.addBundle(QStringLiteral("Applications/Mail.app"), mailID, QStringLiteral("1.0"));

        QCOMPARE(InstalledApps(tree.locations()).find(mailID), (InstalledApp{mailID, QStringLiteral("1.0"), kept}));
    }

    void malformedInfoPlistIsSkipped_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a plist") << QByteArray("hello");
        QTest::newRow("truncated xml") << QByteArray("<?xml version=\"1.0\"?><plist><dict><key>CFBundleIdentifier</key>");
        QTest::newRow("array at top") << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>");
        QTest::newRow("version not a string")
            << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                          "<key>CFBundleIdentifier</key><string>app.veltrane.Mail</string>"
                          "<key>CFBundleShortVersionString</key><real>1.5</real></dict></plist>");
        QTest::newRow("bad binary") << QByteArray("bplist00\xff\xff\xff", 11);
    }

    void malformedInfoPlistIsSkipped()
    {
        QFETCH(QByteArray, content);
        BundleTree tree;
        tree.writeFile(QStringLiteral("Applications/Mail.app/Contents/Info.plist"), content);
        QVERIFY(!InstalledApps(tree.locations()).app(tree.path(QStringLiteral("Applications/Mail.app")), mailID));
        QVERIFY(!InstalledApps(tree.locations()).find(mailID));
    }

    void scanKeepsOnlyFoundIdentifiers()
    {
        BundleTree tree;
        const QString mail = tree.addBundle(QStringLiteral("Applications/Mail.app"), mailID, QStringLiteral("1.0"));
        const QString notesID = QStringLiteral("app.veltrane.Notes");
        const QString notes = tree.addBundle(QStringLiteral("home/Applications/Notes.app"), notesID, QStringLiteral("2.0"));

        const auto found = InstalledApps(tree.locations())
                               .scan({mailID, QStringLiteral("app.veltrane.Missing"), notesID, mailID});
        QCOMPARE(found.size(), 2);
        QCOMPARE(found.value(mailID), (InstalledApp{mailID, QStringLiteral("1.0"), mail}));
        QCOMPARE(found.value(notesID), (InstalledApp{notesID, QStringLiteral("2.0"), notes}));
    }

    void versionOrdering_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("2.10 > 2.9") << "2.10" << "2.9" << 1;
        QTest::newRow("1.0.1 > 1.0") << "1.0.1" << "1.0" << 1;
        QTest::newRow("1.0.0 > 1.0") << "1.0.0" << "1.0" << 1;
        QTest::newRow("equal") << "2.0" << "2.0" << 0;
        QTest::newRow("leading zeros equal") << "1.01" << "1.1" << 0;
        QTest::newRow("leading zeros, then difference") << "1.01.2" << "1.1.3" << -1;
        QTest::newRow("huge run > 9") << "99999999999999999999" << "9" << 1;
        QTest::newRow("huge runs by value") << "1.123456789012345678901234567890" << "1.123456789012345678901234567891" << -1;
        QTest::newRow("empty first") << "" << "1" << -1;
        QTest::newRow("letters by code unit") << "1.0b" << "1.0a" << 1;
        QTest::newRow("case-sensitive") << "1.0B" << "1.0a" << -1;
        QTest::newRow("digit vs letter by code unit") << "1.0" << "1.a" << -1;
        QTest::newRow("beta suffix after plain") << "2.0beta" << "2.0" << 1;
        QTest::newRow("run inside text") << "r10" << "r9" << 1;
        QTest::newRow("non-ASCII code units") << QString::fromUtf8("1.\u00e9") << "1.z" << 1;
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

    void destinationIsSystemFolderWhenWritable()
    {
        BundleTree tree;
        const Locations &l = tree.locations();
        QCOMPARE(destinationDirectory(l.systemApplications, l.home), l.systemApplications);
        QVERIFY(!QFile::exists(l.homeApplications()));
    }

    void destinationFallsBackToHomeApplications_data()
    {
        QTest::addColumn<bool>("systemFolderExists");
        QTest::newRow("read-only system folder") << true;
        QTest::newRow("no system folder, no home yet") << false;
    }

    void destinationFallsBackToHomeApplications()
    {
        QFETCH(bool, systemFolderExists);
        if (systemFolderExists && ::geteuid() == 0)
            QSKIP("root may write anywhere: the read-only /Applications case was not checked");
        BundleTree tree;
        Locations l = tree.locations();
        if (systemFolderExists) {
            QFile::setPermissions(l.systemApplications, QFile::ReadOwner | QFile::ExeOwner);
        } else {
            l.systemApplications = tree.path(QStringLiteral("nowhere/Applications"));
            l.home = tree.path(QStringLiteral("new/home"));
        }

        QCOMPARE(destinationDirectory(l.systemApplications, l.home), l.homeApplications());
        QVERIFY(QFileInfo(l.homeApplications()).isDir());
        QFile::setPermissions(tree.locations().systemApplications, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(InstalledAppsTest)
#include "tst_installed_apps.moc"
