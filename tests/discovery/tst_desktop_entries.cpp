// Menu entries of installed apps:
// - registering writes the bundle's name, icon, program, comment and menu categories; again
//   replaces the entry, another copy gets its own; unregistering removes only that copy's
// - no entry without an identifier or with a program outside Contents/MacOS
// - a crafted bundle or tagline cannot name a file outside the folder nor add lines or keys,
//   and what is written passes the desktop's own validator
// - Exec quoting and splitting, and the reader's grammar
// - entries are looked up user first, masked by name, hidden ones and broken files skipped
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
const QString mailID = "app.veltrane.Mail";

QByteArray plist(const QByteArray &identifier, const QByteArray &executable, const QByteArray &name, const QByteArray &icon = {})
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>" + identifier
           + "</string><key>CFBundleShortVersionString</key><string>1.0</string><key>CFBundleExecutable</key><string>"
           + executable + "</string><key>CFBundleName</key><string>" + name + "</string>"
           + (icon.isEmpty() ? "" : "<key>CFBundleIconFile</key><string>" + icon + "</string>") + "</dict></plist>";
}

QByteArray entryText(const QString &bundlePath, const QByteArray &extra = {})
{
    return "[Desktop Entry]\nType=Application\nName=X\nExec=/bin/true\nX-Veltrane-Bundle-Identifier="
           + mailID.toUtf8() + "\nX-Veltrane-Bundle-Path=" + bundlePath.toUtf8() + "\n" + extra;
}

std::optional<DesktopEntryFile> entryOf(const Locations &l, const QString &bundle)
{
    return DesktopEntryFile::parse(
        TestFiles::read(l.userDesktopEntries() + '/' + DesktopEntries::entryFileName(mailID, bundle)));
}
} // namespace

class DesktopEntriesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registerFindUnregister()
    {
        BundleTree tree;
        const Locations &l = tree.locations();
        const QString bundle = tree.path("Applications/My Mail.app");
        tree.writeFile("Applications/My Mail.app/Contents/Resources/Mail.png", "png");
        // An icon name without extension, as bundles usually give it.
        tree.writeFile("Applications/My Mail.app/Contents/Info.plist", plist(mailID.toUtf8(), "mail", "Mail &amp; More", "Mail"));

        QVERIFY(DesktopEntries::registerBundle(l, bundle, {"writing", "Mail, fast."}));
        const std::optional<DesktopEntryFile> entry = entryOf(l, bundle);
        QVERIFY(entry);
        const QString executable = bundle + "/Contents/MacOS/mail";
        QStringList values;
        for (const char *key : {"Type", "Name", "Comment", "Categories", "StartupWMClass", "TryExec", "Icon"})
            values << entry->value(key).value_or("-");
        QCOMPARE(values, QStringList({"Application", "Mail & More", "Mail, fast.", "Office;", "mail", executable,
                                      bundle + "/Contents/Resources/Mail.png"}));
        QCOMPARE(DesktopEntryFile::splitExec(*entry->value("Exec")), QStringList{executable});
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(l, mailID), QStringList{bundle});
        QVERIFY(DesktopEntries::bundlesWithIdentifier(l, "app.veltrane.mail").isEmpty());

        // Registering again replaces the entry; a second copy gets its own.
        QVERIFY(DesktopEntries::registerBundle(l, bundle + "/./"));
        const QString other = tree.addBundle("home/Applications/Mail.app", mailID, "2.0");
        QVERIFY(DesktopEntries::registerBundle(l, other));
        QCOMPARE(QDir(l.userDesktopEntries()).entryList(QDir::Files).size(), 2);
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(l, mailID).size(), 2);

        QVERIFY(DesktopEntries::unregisterBundle(l, mailID, bundle));
        QVERIFY(!entryOf(l, bundle));
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
        const QString bundle = tree.addBundle("Applications/Mail.app", bundleID, "1.0", BundleTree::Format::Binary, executable);
        QVERIFY(!DesktopEntries::registerBundle(tree.locations(), bundle));
        QVERIFY(QDir(tree.locations().userDesktopEntries()).isEmpty());
    }

    void hostileEntryIsValid()
    {
        BundleTree tree;
        const QString relative = "Applications/$Evil \"100%\" `x`\\.app";
        const QString bundle = tree.path(relative);
        tree.writeFile(relative + "/Contents/Info.plist",
                       plist("../../../evil/x", "run me", "Evil\n[Desktop Action x]\nExec=/bin/sh\x1b[31m\u2028 "));
        QVERIFY(DesktopEntries::registerBundle(tree.locations(), bundle, {"Music", " Line one\r\nExec=x\x07\t%f\\ ;"}));
        const QStringList files = QDir(tree.locations().userDesktopEntries()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.constFirst().startsWith("veltrane-.._.._.._evil_x-"));
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(tree.locations(), "../../../evil/x"), QStringList{bundle});
        const QString file = tree.locations().userDesktopEntries() + '/' + files.constFirst();
        const QByteArray text = TestFiles::read(file);
        QCOMPARE(text.count('\n'), 11);  // the group and ten keys, one line each
        const std::optional<DesktopEntryFile> entry = DesktopEntryFile::parse(text);
        QVERIFY(entry);
        QCOMPARE(entry->value("Name"), QString("Evil [Desktop Action x] Exec=/bin/sh [31m"));
        QCOMPARE(entry->value("Comment"), QString("Line one Exec=x %f\\ ;"));
        QCOMPARE(DesktopEntryFile::splitExec(*entry->value("Exec")), QStringList{bundle + "/Contents/MacOS/run me"});

        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        if (validator.isEmpty())
            QSKIP("desktop-file-validate is not installed: the entry was not checked by the desktop's validator");
        QProcess run;
        run.start(validator, {file});
        QVERIFY(run.waitForFinished());
        QCOMPARE(run.readAllStandardOutput() + run.readAllStandardError(), QByteArray());  // not even a hint
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("quoted");     // the Exec argument
        QTest::addColumn<QByteArray>("written");  // as it stands in the file
        QTest::newRow("plain") << "/opt/A.app/a" << "/opt/A.app/a" << QByteArray("/opt/A.app/a");
        QTest::newRow("space, percent") << "/My 100%/a" << "\"/My 100%%/a\"" << QByteArray("\"/My 100%%/a\"");
        QTest::newRow("dollar, backtick, backslash") << "/$x`y\\z" << "\"/\\$x\\`y\\\\z\"" << QByteArray("\"/\\\\$x\\\\`y\\\\\\\\z\"");
        QTest::newRow("newline") << "/a\nb" << "\"/a\nb\"" << QByteArray("\"/a\\nb\"");
    }

    void execQuoting()
    {
        QFETCH(QString, path);
        QFETCH(QString, quoted);
        QFETCH(QByteArray, written);
        QCOMPARE(DesktopEntryFile::quoteExecArgument(path), quoted);
        DesktopEntryFile entry;
        entry.set("Exec", quoted);
        const QByteArray text = entry.serialize();
        QCOMPARE(text, "[Desktop Entry]\nExec=" + written + "\n");
        QCOMPARE(DesktopEntryFile::splitExec(*DesktopEntryFile::parse(text)->value("Exec")), QStringList{path});
        // Field codes go, "%%" is a percent; an unterminated quote or a lone "%" is refused.
        QCOMPARE(DesktopEntryFile::splitExec("a  \"b c\" %U d%%e"), QStringList({"a", "b c", "d%e"}));
        QVERIFY(!DesktopEntryFile::splitExec("\"unterminated") && !DesktopEntryFile::splitExec("dangling %"));
    }

    void parsing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");  // empty: refused
        QTest::newRow("comments, blanks, CRLF, other groups")
            << QByteArray("# made by hand\r\n\r\n[Desktop Entry]\r\nName = Mail\r\nName[de]=Post\r\n"
                          "[Desktop Action new]\r\nName=New\r\n") << "Mail";
        QTest::newRow("no main group") << QByteArray("[X-Other]\nName=no\n") << QString();
        QTest::newRow("key before any group") << QByteArray("Name=x\n[Desktop Entry]\nName=y\n") << QString();
        QTest::newRow("line without =") << QByteArray("[Desktop Entry]\nName\n") << QString();
        QTest::newRow("main group twice") << QByteArray("[Desktop Entry]\nName=a\n[Desktop Entry]\nName=b\n") << QString();
    }

    void parsing()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        const std::optional<DesktopEntryFile> entry = DesktopEntryFile::parse(text);
        QCOMPARE(entry ? entry->value("Name").value_or("-") : QString(), name);
    }

    void lookupOrderMaskingAndBadFiles()
    {
        BundleTree tree;
        const Locations &l = tree.locations();
        const QString user = l.userDesktopEntries() + '/', local = l.dataDirs.value(0) + "/applications/",
                      system = l.dataDirs.value(1) + "/applications/";
        const QList<QPair<QString, QByteArray>> files = {
            {system + "veltrane-a.desktop", entryText("/sys/A.app")},
            {system + "veltrane-b.desktop", entryText("/masked/B.app")},
            {system + "veltrane-c.desktop", entryText("/hidden/C.app")},
            {system + "other.desktop", entryText("/not/veltrane.app")},
            {local + "veltrane-z.desktop", entryText("/local/Z.app")},
            {user + "veltrane-b.desktop", entryText("/user/B.app")},
            {user + "veltrane-c.desktop", entryText("/user/C.app", "Hidden=true\n")},
            {user + "veltrane-d.desktop", "garbage\n" + entryText("/broken/D.app")},
            {user + "veltrane-e.desktop", entryText("/user/./E.app")},
            {user + "veltrane-f.desktop", entryText("/sys/A.app")}};
        for (const auto &[file, content] : files)
            QVERIFY(TestFiles::write(file, content));
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(l, mailID),
                 (QStringList{"/user/B.app", "/user/E.app", "/sys/A.app", "/local/Z.app"}));
    }
};

QTEST_GUILESS_MAIN(DesktopEntriesTest)
#include "tst_desktop_entries.moc"
