// Finding installed apps through menu entries and a scan of the Applications folders, on a
// folder tree standing in for the machine. (Exec quoting read back as written: desktop_entry_fuzz.)

#include "TestFiles.h"
#include "platform/DesktopEntries.h"
#include "platform/DesktopEntryFile.h"
#include "service/InstalledApps.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <plist/plist.h>

namespace {

// A temporary folder tree standing in for the machine: home, data folders, "/Applications".
class BundleTree {
public:
    enum class Format { Xml, Binary };

    BundleTree()
    {
        const QString root = m_dir.path();
        m_locations.home = root + "/home";
        m_locations.dataHome = m_locations.home + "/.local/share";
        m_locations.dataDirs = {root + "/usr/local/share", root + "/usr/share"};
        m_locations.systemApplications = root + "/Applications";
        m_locations.tempDir = root + "/tmp";
        for (const QString &folder : {m_locations.home, m_locations.systemApplications, m_locations.tempDir})
            QDir().mkpath(folder);
    }

    const Locations &locations() const { return m_locations; }
    QString path(const QString &relative) const { return m_dir.path() + '/' + relative; }

    // <relative>/Contents/Info.plist; a missing version leaves CFBundleShortVersionString out.
    QString addBundle(const QString &relative, const QString &bundleID, const std::optional<QString> &version,
                      Format format = Format::Xml, const QString &executable = QStringLiteral("run"))
    {
        writeFile(relative + "/Contents/Info.plist", infoPlist(bundleID, version, executable, format));
        return path(relative);
    }
    void writeFile(const QString &relative, const QByteArray &content) const { TestFiles::write(path(relative), content); }

private:
    // An Info.plist with these keys, written by libplist in either of its formats.
    static QByteArray infoPlist(const QString &bundleID, const std::optional<QString> &version,
                                const QString &executable, Format format)
    {
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, "CFBundleIdentifier", plist_new_string(bundleID.toUtf8().constData()));
        if (version)
            plist_dict_set_item(dict, "CFBundleShortVersionString", plist_new_string(version->toUtf8().constData()));
        plist_dict_set_item(dict, "CFBundleExecutable", plist_new_string(executable.toUtf8().constData()));
        char *bytes = nullptr;
        uint32_t length = 0;
        const bool xml = format == Format::Xml;
        (xml ? plist_to_xml : plist_to_bin)(dict, &bytes, &length);
        const QByteArray out(bytes, qsizetype(length));
        (xml ? plist_to_xml_free : plist_to_bin_free)(bytes);
        plist_free(dict);
        return out;
    }

    QTemporaryDir m_dir;
    Locations m_locations;
};

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

enum class Registry { None, User, System };

struct Copy {
    QString relative;
    std::optional<QString> version;
    Registry registry = Registry::None;
    BundleTree::Format format = BundleTree::Format::Xml;
    QString bundleID = mailID;
};
using Copies = QList<Copy>;

} // namespace

class DiscoveryTest : public QObject {
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

    void registrationNeedsIdentifierAndPlainExecutable()
    {
        for (const auto &[bundleID, executable] : {std::pair(QString(), QString("run")), {mailID, "../../../bin/sh"},
                                                   {mailID, QString()}, {mailID, "run\x01"}}) {
            BundleTree tree;
            const QString bundle = tree.addBundle("Applications/Mail.app", bundleID, "1.0", BundleTree::Format::Binary, executable);
            QVERIFY2(!DesktopEntries::registerBundle(tree.locations(), bundle), qPrintable(executable));
            QVERIFY(QDir(tree.locations().userDesktopEntries()).isEmpty());
        }
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

    void parsing()
    {
        const std::pair<QByteArray, QString> cases[] = {  // the text, and its Name; empty: refused
            {"# made by hand\r\n\r\n[Desktop Entry]\r\nName = Mail\r\nName[de]=Post\r\n[Desktop Action new]\r\nName=New\r\n", "Mail"},
            {"[X-Other]\nName=no\n", {}}, {"Name=x\n[Desktop Entry]\nName=y\n", {}}, {"[Desktop Entry]\nName\n", {}},
            {"[Desktop Entry]\nName=a\n[Desktop Entry]\nName=b\n", {}}};
        for (const auto &[text, name] : cases) {
            const std::optional<DesktopEntryFile> entry = DesktopEntryFile::parse(text);
            QVERIFY2((entry ? entry->value("Name").value_or("-") : QString()) == name, text.constData());
        }
    }

    // Field codes go, "%%" is a percent; an unterminated quote or a lone "%" is refused.
    void execSplitting()
    {
        QCOMPARE(DesktopEntryFile::splitExec("a  \"b c\" %U d%%e"), QStringList({"a", "b c", "d%e"}));
        QVERIFY(!DesktopEntryFile::splitExec("\"unterminated") && !DesktopEntryFile::splitExec("dangling %"));
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

    // Each row: the copies on the machine, and which one is found (none for an empty location).
    void findsThePreferredCopy()
    {
        using R = Registry;
        const auto none = std::nullopt;
        const QString a = "Applications/Mail.app", h = "home/Applications/Mail.app", d = "home/Downloads/Mail.app";
        const QString u = "Applications/Utilities/Mail.app", post = "home/Applications/Post.app";
        const auto row = [](const char *name, const Copies &copies, const QString &location, const QString &version) {
            BundleTree tree;
            for (const Copy &copy : copies)
                install(tree, copy);
            const std::optional<InstalledApp> found = InstalledApps(tree.locations()).find(mailID);
            const std::optional<InstalledApp> expected = InstalledApp {mailID, version, tree.path(location)};
            QVERIFY2(found == (location.isEmpty() ? std::nullopt : expected), name);
        };
        row("Applications 1.2 beats Downloads 1.3", Copies {{a, "1.2", R::User}, {d, "1.3", R::User}}, a, "1.2");
        row("newest across Applications folders", Copies {{a, "1.2", R::User}, {h, "1.10", R::User}}, h, "1.10");
        row("equal versions: user entry first", Copies {{a, "2.0", R::System}, {h, "2.0", R::User}}, h, "2.0");
        row("only a copy in Utilities", Copies {{u, "1.0", R::User}}, u, "1.0");
        row("folder scan skips Utilities", Copies {{u, "1.0", R::None}}, "", "");
        row("registered copy elsewhere: no folder scan", Copies {{d, "1.3", R::User}, {a, "1.2"}}, d, "1.3");
        row("folder scan skips other ids, by case too", Copies {{a, "9.0", R::None, {}, "app.veltrane.mail"}, {post, "0.9"}}, post, "0.9");
        row("no short version: never found", Copies {{a, none, R::User}, {h, none}}, "", "");
        row("unusable registry entry: folder scan", Copies {{d, none, R::User}, {h, "3.0"}}, h, "3.0");
        row("binary Info.plist", Copies {{a, "4.1", R::None, BundleTree::Format::Binary}}, a, "4.1");
        row("extension exactly .app", Copies {{"Applications/Mail.App", "1.0"}, {"Applications/Mail.app.old", "1.0"}}, "", "");
    }

    void malformedInfoPlistIsSkipped()
    {
        for (const QByteArray &content : {QByteArray("hello"), QByteArray("bplist00\xff\xff\xff", 11),
                                          QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier"
                                                     "</key><string>app.veltrane.Mail</string><key>CFBundleShortVersionString"
                                                     "</key><real>1.5</real></dict></plist>")}) {
            BundleTree tree;
            tree.writeFile("Applications/Mail.app/Contents/Info.plist", content);
            QVERIFY(!InstalledApps(tree.locations()).app(tree.path("Applications/Mail.app"), mailID));
            QVERIFY(!InstalledApps(tree.locations()).find(mailID));
        }
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

    void versionOrdering()
    {
        const auto sign = [](int x) { return (x > 0) - (x < 0); };
        for (const auto &[a, b, order] : {std::tuple("2.10", "2.9", 1), {"1.01", "1.1", 0} /* leading zeros */,
                                           {"1.01.2", "1.1.3", -1}, {"1.0B", "1.0a", -1} /* by case */,
                                           {"1.123456789012345678901234567890", "1.123456789012345678901234567891", -1},
                                           {"1.0", "1.a", -1} /* digit before letter, by code unit */}) {
            QVERIFY2(sign(InstalledApps::compareVersions(QString(a), QString(b))) == order, a);
            QVERIFY2(sign(InstalledApps::compareVersions(QString(b), QString(a))) == -order, a);
        }
    }
};

QTEST_GUILESS_MAIN(DiscoveryTest)
#include "tst_discovery.moc"
