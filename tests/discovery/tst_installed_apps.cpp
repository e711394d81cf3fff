#include "BundleTree.h"

#include "platform/DesktopEntries.h"
#include "platform/Destination.h"
#include "service/InstalledApps.h"

#include <QFile>
#include <QTest>

#include <unistd.h>

namespace {

enum class Registry { None, User, System };

struct Copy {
    QString relative;
    QString bundleID;
    std::optional<QString> version;
    Registry registry = Registry::None;
    BundleTree::Format format = BundleTree::Format::Xml;
};

const QString mailID = QStringLiteral("app.veltrane.Mail");

} // namespace

Q_DECLARE_METATYPE(QList<Copy>)

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
        QTest::addColumn<QString>("location"); // empty: none found
        QTest::addColumn<QString>("version");
        using R = Registry;
        const std::optional<QString> none;
        const auto v = [](const char *s) { return std::optional<QString>(QString::fromLatin1(s)); };

        QTest::newRow("Applications 1.2 beats Downloads 1.3")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("1.2"), R::User},
                           {"home/Downloads/Mail.app", mailID, v("1.3"), R::User}}
            << "Applications/Mail.app" << "1.2";
        QTest::newRow("newest across Applications folders")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("1.2"), R::User},
                           {"home/Applications/Mail.app", mailID, v("1.10"), R::User}}
            << "home/Applications/Mail.app" << "1.10";
        QTest::newRow("equal versions: registry order, user entry first")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("2.0"), R::System},
                           {"home/Applications/Mail.app", mailID, v("2.0"), R::User}}
            << "home/Applications/Mail.app" << "2.0";
        QTest::newRow("only a copy in Utilities")
            << QList<Copy>{{"Applications/Utilities/Mail.app", mailID, v("1.0"), R::User}}
            << "Applications/Utilities/Mail.app" << "1.0";
        QTest::newRow("folder scan does not descend into Utilities")
            << QList<Copy>{{"Applications/Utilities/Mail.app", mailID, v("1.0"), R::None}} << "" << "";
        QTest::newRow("registered copy elsewhere: no folder scan")
            << QList<Copy>{{"home/Downloads/Mail.app", mailID, v("1.3"), R::User},
                           {"Applications/Mail.app", mailID, v("1.2"), R::None}}
            << "home/Downloads/Mail.app" << "1.3";
        QTest::newRow("folder scan skips another identifier, also one differing in case")
            << QList<Copy>{{"Applications/Mail.app", QStringLiteral("app.veltrane.mail"), v("9.0"), R::None},
                           {"home/Applications/Post.app", mailID, v("0.9"), R::None}}
            << "home/Applications/Post.app" << "0.9";
        QTest::newRow("no short version: never found")
            << QList<Copy>{{"Applications/Mail.app", mailID, none, R::User},
                           {"home/Applications/Mail.app", mailID, none, R::None}}
            << "" << "";
        QTest::newRow("unusable registry entry: folder scan")
            << QList<Copy>{{"home/Downloads/Mail.app", mailID, none, R::User},
                           {"home/Applications/Mail.app", mailID, v("3.0"), R::None}}
            << "home/Applications/Mail.app" << "3.0";
        QTest::newRow("binary Info.plist")
            << QList<Copy>{{"Applications/Mail.app", mailID, v("4.1"), R::None, BundleTree::Format::Binary}}
            << "Applications/Mail.app" << "4.1";
        QTest::newRow("extension must be exactly .app")
            << QList<Copy>{{"Applications/Mail.App", mailID, v("1.0"), R::None},
                           {"Applications/Mail.app.old", mailID, v("1.0"), R::None}}
            << "" << "";
    }

    void findsThePreferredCopy()
    {
        QFETCH(QList<Copy>, copies);
        QFETCH(QString, location);
        QFETCH(QString, version);

        BundleTree tree;
        for (const Copy &copy : copies)
            install(tree, copy);

        const std::optional<InstalledApp> found = InstalledApps(tree.locations()).find(mailID);
        QCOMPARE(found.has_value(), !location.isEmpty());
        if (found)
            QCOMPARE(*found, (InstalledApp{mailID, version, tree.path(location)}));
    }

    void malformedInfoPlistIsSkipped_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not a plist") << QByteArray("hello");
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
        // Exactly the bundle asked for, when it carries the identifier asked for.
        QCOMPARE(InstalledApps(tree.locations()).app(mail, mailID), (InstalledApp{mailID, QStringLiteral("1.0"), mail}));
        QVERIFY(!InstalledApps(tree.locations()).app(mail, notesID));
    }

    void versionOrdering_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("2.10 > 2.9") << "2.10" << "2.9" << 1;
        QTest::newRow("1.0.0 > 1.0") << "1.0.0" << "1.0" << 1;
        QTest::newRow("equal") << "2.0" << "2.0" << 0;
        QTest::newRow("leading zeros equal") << "1.01" << "1.1" << 0;
        QTest::newRow("leading zeros, then difference") << "1.01.2" << "1.1.3" << -1;
        QTest::newRow("huge run > 9") << "99999999999999999999" << "9" << 1;
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

    // New installs go to /Applications when it may be written, else to the home Applications
    // folder, which is then made; the tree stands in for both.
    void destinationFolder_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("expected");
        QTest::newRow("writable /Applications") << "writable" << "Applications";
        QTest::newRow("read-only /Applications") << "read-only" << "home/Applications";
        QTest::newRow("no /Applications, no home yet") << "missing" << "new/home/Applications";
    }

    void destinationFolder()
    {
        QFETCH(QString, system);
        QFETCH(QString, expected);
        if (system == QLatin1String("read-only") && ::geteuid() == 0)
            QSKIP("root may write anywhere: the read-only /Applications case was not checked");
        BundleTree tree;
        Locations l = tree.locations();
        if (system == QLatin1String("read-only"))
            QFile::setPermissions(l.systemApplications, QFile::ReadOwner | QFile::ExeOwner);
        if (system == QLatin1String("missing")) {
            l.systemApplications = tree.path(QStringLiteral("nowhere/Applications"));
            l.home = tree.path(QStringLiteral("new/home"));
        }

        QCOMPARE(destinationDirectory(l.systemApplications, l.home), tree.path(expected));
        QVERIFY(QFileInfo(tree.path(expected)).isDir());
        QCOMPARE(QFile::exists(tree.path(QStringLiteral("home/Applications"))), system == QLatin1String("read-only"));
        QFile::setPermissions(tree.locations().systemApplications, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(InstalledAppsTest)
#include "tst_installed_apps.moc"
