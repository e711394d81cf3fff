#include "BundleTree.h"
#include "TestFiles.h"

#include "platform/DesktopEntries.h"
#include "platform/DesktopEntryFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString mailID = QStringLiteral("app.veltrane.Mail");

QByteArray entryText(const QString &bundleID, const QString &bundlePath, const QByteArray &extra = {})
{
    return "[Desktop Entry]\nType=Application\nName=X\nExec=/bin/true\nX-Veltrane-Bundle-Identifier="
           + bundleID.toUtf8() + "\nX-Veltrane-Bundle-Path=" + bundlePath.toUtf8() + "\n" + extra;
}

} // namespace

class DesktopEntriesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registerFindUnregister()
    {
        BundleTree tree;
        const Locations &l = tree.locations();
        const QString bundle = tree.path(QStringLiteral("Applications/My Mail.app"));
        tree.writeFile(QStringLiteral("Applications/My Mail.app/Contents/Resources/Mail.png"), "png");
        // An icon name without extension, as bundles usually give it.
        tree.writeFile(QStringLiteral("Applications/My Mail.app/Contents/Info.plist"),
                       "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                       "<key>CFBundleIdentifier</key><string>app.veltrane.Mail</string>"
                       "<key>CFBundleShortVersionString</key><string>1.0</string>"
                       "<key>CFBundleExecutable</key><string>mail</string>"
                       "<key>CFBundleName</key><string>Mail &amp; More</string>"
                       "<key>CFBundleIconFile</key><string>Mail</string></dict></plist>");

        QVERIFY(DesktopEntries::registerBundle(l, bundle, {QStringLiteral("writing"), QStringLiteral("Mail, fast.")}));
        const QString file = l.userDesktopEntries() + QLatin1Char('/') + DesktopEntries::entryFileName(mailID, bundle);
        const std::optional<DesktopEntryFile> entry = DesktopEntryFile::parse(TestFiles::read(file));
        QVERIFY(entry);
        const QString executable = bundle + QStringLiteral("/Contents/MacOS/mail");
        QCOMPARE(entry->value(QStringLiteral("Type")), QStringLiteral("Application"));
        QCOMPARE(entry->value(QStringLiteral("Name")), QStringLiteral("Mail & More"));
        QCOMPARE(entry->value(QStringLiteral("Comment")), QStringLiteral("Mail, fast."));
        QCOMPARE(entry->value(QStringLiteral("Categories")), QStringLiteral("Office;"));
        QCOMPARE(entry->value(QStringLiteral("StartupWMClass")), QStringLiteral("mail"));
        QCOMPARE(entry->value(QStringLiteral("TryExec")), executable);
        QCOMPARE(entry->value(QStringLiteral("Icon")), bundle + QStringLiteral("/Contents/Resources/Mail.png"));
        QCOMPARE(DesktopEntryFile::splitExec(*entry->value(QStringLiteral("Exec"))), QStringList{executable});
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(l, mailID), QStringList{bundle});
        QVERIFY(DesktopEntries::bundlesWithIdentifier(l, QStringLiteral("app.veltrane.mail")).isEmpty());

        // Registering again replaces the entry; a second copy gets its own.
        QVERIFY(DesktopEntries::registerBundle(l, bundle + QStringLiteral("/./")));
        const QString other = tree.addBundle(QStringLiteral("home/Applications/Mail.app"), mailID, QStringLiteral("2.0"));
        QVERIFY(DesktopEntries::registerBundle(l, other));
        QCOMPARE(QDir(l.userDesktopEntries()).entryList(QDir::Files).size(), 2);
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(l, mailID).size(), 2);

        QVERIFY(DesktopEntries::unregisterBundle(l, mailID, bundle));
        QVERIFY(!QFile::exists(file));
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(l, mailID), QStringList{other});
        QVERIFY(!DesktopEntries::unregisterBundle(l, mailID, bundle));
    }

    void registrationNeedsIdentifierAndPlainExecutable_data()
    {
        QTest::addColumn<QString>("bundleID");
        QTest::addColumn<QString>("executable");
        QTest::newRow("no identifier") << QString() << "run";
        QTest::newRow("executable leaves the bundle") << mailID << "../../../bin/sh";
        QTest::newRow("no executable") << mailID << QString();
        QTest::newRow("control character in the executable") << mailID << "run\x01";
    }

    void registrationNeedsIdentifierAndPlainExecutable()
    {
        QFETCH(QString, bundleID);
        QFETCH(QString, executable);
        BundleTree tree;
        const QString bundle = tree.addBundle(QStringLiteral("Applications/Mail.app"), bundleID, QStringLiteral("1.0"),
                                              BundleTree::Format::Binary, executable);
        QVERIFY(!DesktopEntries::registerBundle(tree.locations(), bundle));
        QVERIFY(!QFile::exists(tree.locations().userDesktopEntries())
                || QDir(tree.locations().userDesktopEntries()).isEmpty());
    }

    // A crafted bundle and tagline cannot name a file outside the folder, nor add lines or keys
    // to the entry, and what is written passes the desktop's own validator.
    void hostileEntryIsValid()
    {
        BundleTree tree;
        const QString relative = QStringLiteral("Applications/$Evil \"100%\" `x`\\.app");
        const QString bundle = tree.path(relative);
        tree.writeFile(relative + QStringLiteral("/Contents/Info.plist"),
                       "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                       "<key>CFBundleIdentifier</key><string>../../../evil/x</string>"
                       "<key>CFBundleExecutable</key><string>run me</string>"
                       "<key>CFBundleName</key><string>Evil\n[Desktop Action x]\nExec=/bin/sh\x1b[31m\u2028 </string>"
                       "</dict></plist>");
        QVERIFY(DesktopEntries::registerBundle(tree.locations(), bundle,
                                               {QStringLiteral("Music"), QStringLiteral(" Line one\r\nExec=x\x07\t%f\\ ;")}));
        const QStringList files = QDir(tree.locations().userDesktopEntries()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.constFirst().startsWith(QLatin1String("veltrane-.._.._.._evil_x-")));
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(tree.locations(), QStringLiteral("../../../evil/x")),
                 QStringList{bundle});
        const QString file = tree.locations().userDesktopEntries() + QLatin1Char('/') + files.constFirst();
        const QByteArray text = TestFiles::read(file);
        QCOMPARE(text.count('\n'), 11);  // the group and ten keys, one line each
        const std::optional<DesktopEntryFile> entry = DesktopEntryFile::parse(text);
        QVERIFY(entry);
        QCOMPARE(entry->value(QStringLiteral("Name")), QStringLiteral("Evil [Desktop Action x] Exec=/bin/sh [31m"));
        QCOMPARE(entry->value(QStringLiteral("Comment")), QStringLiteral("Line one Exec=x %f\\ ;"));
        QCOMPARE(DesktopEntryFile::splitExec(*entry->value(QStringLiteral("Exec"))),
                 QStringList{bundle + QStringLiteral("/Contents/MacOS/run me")});

        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validator.isEmpty())
            QSKIP("desktop-file-validate is not installed: the entry was not checked by the desktop's validator");
        QProcess run;
        run.start(validator, {file});
        QVERIFY(run.waitForFinished());
        QCOMPARE(run.readAllStandardOutput() + run.readAllStandardError(), QByteArray());  // not even a hint
    }

    void menuCategories_data()
    {
        QTest::addColumn<QString>("categoryID");
        QTest::addColumn<QString>("categories");
        QTest::newRow("case and punctuation") << "Dev-Tools" << "Development;";
        QTest::newRow("two categories") << "music" << "AudioVideo;Audio;";
        QTest::newRow("unknown") << "gardening" << "Utility;";
        QTest::newRow("part of a known id") << "phot" << "Utility;";
    }

    void menuCategories()
    {
        QFETCH(QString, categoryID);
        QFETCH(QString, categories);
        QCOMPARE(DesktopEntries::menuCategories(categoryID), categories);
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("quoted");     // the Exec argument
        QTest::addColumn<QByteArray>("written");  // as it stands in the file
        QTest::newRow("plain") << "/opt/A.app/Contents/MacOS/a" << "/opt/A.app/Contents/MacOS/a"
                               << QByteArray("/opt/A.app/Contents/MacOS/a");
        QTest::newRow("space") << "/My Apps/a" << "\"/My Apps/a\"" << QByteArray("\"/My Apps/a\"");
        QTest::newRow("percent") << "/100%/a" << "/100%%/a" << QByteArray("/100%%/a");
        QTest::newRow("dollar, backtick, backslash") << "/$x`y\\z" << "\"/\\$x\\`y\\\\z\""
                                                      << QByteArray("\"/\\\\$x\\\\`y\\\\\\\\z\"");
        QTest::newRow("single quote") << "/it's" << "\"/it's\"" << QByteArray("\"/it's\"");
        QTest::newRow("newline") << "/a\nb" << "\"/a\nb\"" << QByteArray("\"/a\\nb\"");
        QTest::newRow("non-ASCII") << QString::fromUtf8("/Программы/a") << QString::fromUtf8("/Программы/a")
                                   << QByteArray("/Программы/a");
    }

    void execQuoting()
    {
        QFETCH(QString, path);
        QFETCH(QString, quoted);
        QFETCH(QByteArray, written);

        QCOMPARE(DesktopEntryFile::quoteExecArgument(path), quoted);
        DesktopEntryFile entry;
        entry.set(QStringLiteral("Exec"), quoted);
        const QByteArray text = entry.serialize();
        QCOMPARE(text, "[Desktop Entry]\nExec=" + written + "\n");

        const std::optional<DesktopEntryFile> back = DesktopEntryFile::parse(text);
        QVERIFY(back);
        QCOMPARE(DesktopEntryFile::splitExec(*back->value(QStringLiteral("Exec"))), QStringList{path});
    }

    void splitExecHandlesArgumentsAndFieldCodes()
    {
        QCOMPARE(DesktopEntryFile::splitExec(QStringLiteral("a  \"b c\" %U d%%e")),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b c"), QStringLiteral("d%e")}));
        QVERIFY(!DesktopEntryFile::splitExec(QStringLiteral("\"unterminated")));
        QVERIFY(!DesktopEntryFile::splitExec(QStringLiteral("dangling %")));
    }

    void valueEscapesRoundTrip()
    {
        const QString value = QStringLiteral(" lead\\ tab\tline\nreturn\r trail ");
        DesktopEntryFile entry;
        entry.set(QStringLiteral("Name"), value);
        const std::optional<DesktopEntryFile> back = DesktopEntryFile::parse(entry.serialize());
        QVERIFY(back);
        QCOMPARE(back->value(QStringLiteral("Name")), value);
    }

    void parsing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("name");
        QTest::newRow("comments, blanks, CRLF, other groups")
            << QByteArray("# made by hand\r\n\r\n[Desktop Entry]\r\nName = Mail\r\nName[de]=Post\r\n"
                          "[Desktop Action new]\r\nName=New\r\n")
            << true << "Mail";
        QTest::newRow("other group first") << QByteArray("[X-Other]\nName=no\n[Desktop Entry]\nName=yes\n") << true << "yes";
        QTest::newRow("no main group") << QByteArray("[X-Other]\nName=no\n") << false << QString();
        QTest::newRow("key before any group") << QByteArray("Name=x\n[Desktop Entry]\nName=y\n") << false << QString();
        QTest::newRow("line without =") << QByteArray("[Desktop Entry]\nName\n") << false << QString();
        QTest::newRow("bad key") << QByteArray("[Desktop Entry]\nNa me=x\n") << false << QString();
        QTest::newRow("unclosed group") << QByteArray("[Desktop Entry\nName=x\n") << false << QString();
        QTest::newRow("main group twice") << QByteArray("[Desktop Entry]\nName=a\n[Desktop Entry]\nName=b\n") << false
                                          << QString();
    }

    void parsing()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(QString, name);
        const std::optional<DesktopEntryFile> entry = DesktopEntryFile::parse(text);
        QCOMPARE(entry.has_value(), valid);
        if (valid)
            QCOMPARE(entry->value(QStringLiteral("Name")), name);
    }

    void lookupOrderMaskingAndBadFiles()
    {
        BundleTree tree;
        const Locations &l = tree.locations();
        const QString user = l.userDesktopEntries() + QLatin1Char('/');
        const QString local = l.dataDirs.value(0) + QStringLiteral("/applications/");
        const QString system = l.dataDirs.value(1) + QStringLiteral("/applications/");
        const auto write = [](const QString &file, const QByteArray &content) { QVERIFY(TestFiles::write(file, content)); };
        write(system + "veltrane-a.desktop", entryText(mailID, "/sys/A.app"));
        write(system + "veltrane-b.desktop", entryText(mailID, "/masked/B.app"));
        write(system + "veltrane-c.desktop", entryText(mailID, "/hidden/C.app"));
        write(system + "other.desktop", entryText(mailID, "/not/veltrane.app"));
        write(local + "veltrane-z.desktop", entryText(mailID, "/local/Z.app"));
        write(user + "veltrane-b.desktop", entryText(mailID, "/user/B.app"));
        write(user + "veltrane-c.desktop", entryText(mailID, "/user/C.app", "Hidden=true\n"));
        write(user + "veltrane-d.desktop", "garbage\n" + entryText(mailID, "/broken/D.app"));
        write(user + "veltrane-e.desktop", entryText(mailID, "/user/./E.app"));
        write(user + "veltrane-f.desktop", entryText(mailID, "/sys/A.app"));

        QCOMPARE(DesktopEntries::bundlesWithIdentifier(l, mailID),
                 (QStringList{"/user/B.app", "/user/E.app", "/sys/A.app", "/local/Z.app"}));
    }
};

QTEST_GUILESS_MAIN(DesktopEntriesTest)
#include "tst_desktop_entries.moc"
