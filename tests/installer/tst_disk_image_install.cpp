#include "SmallDisk.h"
#include "TestFiles.h"
#include "platform/BundleInfo.h"
#include "platform/DesktopEntries.h"
#include "platform/StagingFolder.h"
#include "platform/TreeCopy.h"
#include "service/UpdateInstaller.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Step = UpdateInstaller::Step;

namespace {
const QString team = QStringLiteral("TESTTEAM01");

const QString attachPlist = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>system-entities</key><array>
<dict><key>content-hint</key><string>Apple_partition_map</string></dict>
<dict><key>content-hint</key><string>Apple_HFS</string><key>mount-point</key><string>%1</string></dict>
<dict><key>mount-point</key><string>/somewhere/else</string></dict>
</array></dict></plist>)");

// Bodies of the stand-in tools; each script first logs its name and arguments.
const QString hdiutilBody = QStringLiteral("case \"$1\" in\nattach) cat <<'EOF'\n%1\nEOF\n;;\ndetach) ;;\nesac");
const QString codesignBody = QStringLiteral(
    "case \"$1\" in\n--verify) exit 0;;\n"
    "-dv) echo \"Executable=$2/Contents/MacOS/Notes\" >&2; echo Identifier=com.example.notes >&2;"
    " echo TeamIdentifier=%1 >&2;;\nesac");
const QString spctlBody = QStringLiteral("echo \"$5: accepted\"; echo source=Veltrane");

QByteArray infoPlist(const QString &version, const QString &identifier = "com.example.notes")
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>%2</string>
<key>CFBundleExecutable</key><string>Notes</string>
<key>CFBundleShortVersionString</key><string>%1</string>
</dict></plist>)").arg(version, identifier).toUtf8();
}

void makeBundle(const QString &path, const QString &version, const QString &identifier = "com.example.notes")
{
    TestFiles::write(path + "/Contents/Info.plist", infoPlist(version, identifier));
    TestFiles::write(path + "/Contents/MacOS/Notes", "#!/bin/sh\n");
    QFile::setPermissions(path + "/Contents/MacOS/Notes", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString versionAt(const QString &bundle)
{
    return BundleInfo::read(bundle).value_or(BundleInfo {}).shortVersion.value_or(QString());
}

} // namespace

class TestDiskImageInstall : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_scripts = std::make_unique<ScriptFolder>();
        m_mount = m_root->filePath("mount");
        Locations &l = m_locations;
        std::tie(l.home, l.dataHome, l.systemApplications, l.tempDir) = std::tuple(
            m_root->filePath("home"), m_root->filePath("data"), m_root->filePath("Applications"), m_root->filePath("tmp"));
        for (const QString &folder : {m_mount, m_locations.home, m_locations.systemApplications, m_locations.tempDir})
            QDir().mkpath(folder);
        m_destination = m_locations.systemApplications + "/Notes.app";
        m_kept = m_locations.dataHome + "/VeltraneHub/Previous/com.example.notes/Notes.app";
        m_log = m_root->filePath("log");

        m_options.locations = m_locations;
        m_options.teamIdentifier = team;
        m_options.toolTimeout = 20s;
        m_options.tools = {tool("hdiutil", hdiutilBody.arg(attachPlist.arg(m_mount))),
                           tool("codesign", codesignBody.arg(team)), tool("spctl", spctlBody),
                           tool("xattr", "exit 0")};
        m_image = UpdateInstaller(m_options).cachedDMG("notes", "2.1");
        TestFiles::write(m_image, "image");
        makeBundle(m_mount + "/Notes.app", "2.1");
    }

    void cleanup()
    {
        TreeCopy::remove(m_root->path());
        m_root.reset();
    }

    void installsAFreshCopyInOrder()
    {
        // What fails after the copy (the quarantine attribute, the detach) is ignored.
        m_options.tools.xattr = tool("xattr", "exit 1");
        m_options.tools.hdiutil = tool("hdiutil", hdiutilBody.arg(attachPlist.arg(m_mount)) + "\n[ \"$1\" != detach ] || exit 1");
        QTest::ignoreMessage(QtInfoMsg, "installed Notes.app");
        QCOMPARE(outcome(), m_destination);

        // The checks run on the copy beside the destination, which only the Hub can change.
        const QString staged = m_locations.systemApplications + "/STAGING/Notes.app";
        QCOMPARE(log(), QStringList({
                            "progress verifying",
                            "hdiutil [attach] [" + m_image + "] [-nobrowse] [-readonly] [-noverify] [-plist]",
                            "codesign [--verify] [--deep] [--strict] [" + staged + "]",
                            "codesign [-dv] [" + staged + "]",
                            "spctl [-a] [-vv] [-t] [exec] [" + staged + "]",
                            "progress installing",
                            "xattr [-dr] [com.apple.quarantine] [" + m_destination + "]",
                            "progress finished " + m_destination,
                            "hdiutil [detach] [" + m_mount + "] [-quiet]",
                        }));
        QCOMPARE(TestFiles::read(m_destination + "/Contents/Info.plist"), infoPlist("2.1"));
        QVERIFY(QFileInfo(m_destination + "/Contents/MacOS/Notes").isExecutable());
        QVERIFY(QFileInfo::exists(m_image));  // kept for a later reinstall
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(m_locations, "com.example.notes"), QStringList{m_destination});
        const QString entry = DesktopEntries::entryFileName("com.example.notes", m_destination);
        QVERIFY(TestFiles::read(m_locations.userDesktopEntries() + "/" + entry).contains("\nComment=Quick notes\n"));
        QVERIFY(stagingLeftovers().isEmpty());
    }

    void whatIsInstalledAlready_data()
    {
        QTest::addColumn<QString>("installed");   // version at the destination, "other" for another app
        QTest::addColumn<QString>("keptBefore");  // version kept from an earlier update, or ""
        QTest::addColumn<QString>("error");       // "" for a successful install
        QTest::addColumn<QString>("keptAfter");
        QTest::newRow("an older copy is replaced and kept") << "2.0" << "1.9" << "" << "2.0";
        QTest::newRow("the same version keeps the earlier copy") << "2.1" << "1.9" << "" << "1.9";
        QTest::newRow("a newer copy stays")
            << "2.10" << "" << "Could not install the app. A newer version (2.10) is already installed." << "";
        QTest::newRow("another app of that name stays")
            << "other" << "" << "Could not install the app. APPS already holds another app named “Notes.app”." << "";
    }

    void whatIsInstalledAlready()
    {
        QFETCH(QString, installed);
        QFETCH(QString, keptBefore);
        QFETCH(QString, error);
        QFETCH(QString, keptAfter);
        if (installed == "other")
            makeBundle(m_destination, "3.0", "com.example.other");
        else
            makeBundle(m_destination, installed);
        // Read-only folders in the old copy must not stop its removal.
        TestFiles::write(m_destination + "/Contents/Resources/old-only", "old");
        QFile::setPermissions(m_destination + "/Contents", QFile::ReadOwner | QFile::ExeOwner);
        if (!keptBefore.isEmpty())
            makeBundle(m_kept, keptBefore);
        const QByteArray before = TestFiles::read(m_destination + "/Contents/Info.plist");
        if (error.isEmpty())
            QTest::ignoreMessage(QtInfoMsg, "installed Notes.app");

        QCOMPARE(outcome(), error.isEmpty() ? m_destination : error.replace("APPS", m_locations.systemApplications));
        QCOMPARE(TestFiles::read(m_destination + "/Contents/Info.plist"), error.isEmpty() ? infoPlist("2.1") : before);
        QCOMPARE(QFileInfo::exists(m_destination + "/Contents/Resources/old-only"), !error.isEmpty());
        QCOMPARE(versionAt(m_kept), keptAfter);
        QCOMPARE(UpdateInstaller(m_options).keptVersion(notes()).value_or(QString()), keptAfter);
        QVERIFY(QFileInfo::exists(m_image));  // a good image stays cached
        QVERIFY(stagingLeftovers().isEmpty());
    }

    // Going back installs the kept copy, checked like a download; one that fails the checks
    // changes nothing. Kept on another file system, it cannot simply be renamed into place.
    void goesBackToTheKeptCopy_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("same file system") << "same";
        QTest::newRow("kept on another file system") << "other disk";
        QTest::newRow("kept copy fails the signature check") << "refused";
    }

    void goesBackToTheKeptCopy()
    {
        QFETCH(QString, kind);
        std::optional<SmallDisk> disk;
        if (kind == "other disk") {
            disk.emplace(m_locations.dataHome, "size=16m");
            if (!disk->mounted())
                QSKIP("needs root to mount a second file system: going back across file systems was not checked");
        }
        makeBundle(m_destination, "2.1");
        makeBundle(m_kept, "2.0");
        const bool refused = kind == "refused";
        if (refused)
            setTool("codesign", tool("codesign", "exit 1"));
        else
            QTest::ignoreMessage(QtInfoMsg, "installed Notes.app");

        const AppInstaller::Outcome<QString> result = QCoro::waitFor(UpdateInstaller(m_options).goBack(notes()));
        QCOMPARE(result.ok() ? result.value() : result.failure().description().section('.', 0, 0),
                 refused ? "Refused: the download is not signed by Veltrane" : m_destination);
        QCOMPARE(versionAt(m_destination), refused ? "2.1" : "2.0");
        QCOMPARE(UpdateInstaller(m_options).keptVersion(notes()).value_or(QString()), refused ? "2.0" : "");
        QVERIFY(stagingLeftovers().isEmpty());
    }

    // First with the Trash's files folder a file: the app stays installed and listed; then trashed.
    void uninstallMovesTheAppToTheTrashAndOutOfTheMenus()
    {
        makeBundle(m_destination, "2.0");
        makeBundle(m_kept, "1.9");
        QVERIFY(DesktopEntries::registerBundle(m_locations, m_destination));
        const QString blocker = m_locations.dataHome + "/Trash/files";
        TestFiles::write(blocker, "not a folder");
        for (const bool trashWorks : {false, true}) {
            const AppInstaller::Outcome<> moved
                = QCoro::waitFor(UpdateInstaller(m_options).uninstall("com.example.notes", m_destination));
            QCOMPARE(moved.ok(), trashWorks);
            QCOMPARE(QFileInfo::exists(m_destination + "/Contents/Info.plist"), !trashWorks);
            QCOMPARE(QFileInfo::exists(blocker + "/Notes.app/Contents/Info.plist"), trashWorks);
            QCOMPARE(DesktopEntries::bundlesWithIdentifier(m_locations, "com.example.notes"),
                     trashWorks ? QStringList() : QStringList{m_destination});
            QCOMPARE(QFileInfo::exists(m_kept), !trashWorks);  // nothing to go back to once it is gone
            if (!trashWorks) {
                QVERIFY2(moved.failure().description().startsWith("Could not move “Notes.app” to the Trash: "),
                         qPrintable(moved.failure().description()));
                QVERIFY(QDir(m_locations.dataHome + "/Trash/info").isEmpty());  // no stray record
                QVERIFY(QFile::remove(blocker));
            }
        }
    }

    void failures_data()
    {
        QTest::addColumn<QString>("toolName");
        QTest::addColumn<QString>("body");   // "" leaves the tool as it is
        QTest::addColumn<QString>("layout"); // how the mounted image looks
        QTest::addColumn<QString>("message"); // the start of the failure's text
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<bool>("imageDropped");
        const auto row = [](const char *name, const QString &tool, const QString &body, const char *layout,
                            const QString &message, bool mounted, bool imageDropped) {
            QTest::newRow(name) << tool << body << layout << message << mounted << imageDropped;
        };
        const QString refused = "Refused: the download is not signed by Veltrane. ";
        row("attach fails", "hdiutil", "echo 'hdiutil: attach failed - image not recognized'; exit 1", "",
            "Could not open the disk image. hdiutil: attach failed - image not recognized\n", false, true);
        row("app only in a subfolder", "", "", "nested", "The disk image contains no app.", true, true);
        // Tools name the copy beside the destination; the user reads the app's name only.
        row("invalid signature", "codesign", "case \"$1\" in --verify) echo \"$4: code object is not signed at all\"; exit 1;; esac",
            "", refused + "Notes.app: code object is not signed at all\n", true, true);
        row("another team", "codesign", codesignBody.arg("OTHERTEAM9"), "", refused + "Unexpected developer.", true, true);
        row("team that only starts with ours", "codesign", codesignBody.arg(team + "X"), "", refused + "Unexpected developer.",
            true, true);
        row("team only quoted in the identifier", "codesign",
            "[ \"$1\" = -dv ] && echo Identifier=com.evil.TeamIdentifier=" + team + " >&2; exit 0", "",
            refused + "Unexpected developer.", true, true);
        row("assessment rejects", "spctl", "echo \"$5: rejected\"; echo 'source=no usable signature'; exit 3", "",
            "Refused by macOS security check. Notes.app: rejected\nsource=no usable signature\n", true, true);
        row("another app in the image", "", "", "other", "The disk image contains a different app.", true, true);
        // A tool that could not finish says nothing about the image.
        row("assessment runs too long", "spctl", "sleep 30", "", "Refused by macOS security check. (stopped", true, false);
        row("entry that cannot be copied", "", "", "pipe",
            "Could not install the app. Could not copy “Notes.app/Contents/pipe” into APPS: Operation not supported.", true, false);
        row("larger than the free space", "", "", "huge",
            "Could not install the app. There is not enough free space in APPS: the app needs ", true, false);
    }

    void failures()
    {
        QFETCH(QString, toolName);
        QFETCH(QString, body);
        QFETCH(QString, layout);
        QFETCH(QString, message);
        m_options.toolTimeout = 1s;
        if (!body.isEmpty())
            setTool(toolName, tool(toolName, body));
        arrangeImage(layout);
        makeBundle(m_destination, "2.0");

        const QString error = outcome();
        QVERIFY2(error.startsWith(message.replace("APPS", m_locations.systemApplications)), qPrintable(error));
        const QStringList calls = log();
        QCOMPARE(calls.first(), QString("progress verifying"));
        QVERIFY(!calls.contains("progress installing"));
        QTEST(calls.last() == "hdiutil [detach] [" + m_mount + "] [-quiet]", "mounted");
        QCOMPARE(versionAt(m_destination), QString("2.0"));  // the installed copy stays as it was
        QTEST(!QFileInfo::exists(m_image), "imageDropped");
        QVERIFY(stagingLeftovers().isEmpty());
    }

    void aNewerImageStoredMeanwhileIsNotDropped()
    {
        // A download finishing during the checks renames a new file over the refused one.
        setTool("codesign", tool("codesign", QString("printf new > '%1.part' && mv '%1.part' '%1'; exit 1").arg(m_image)));
        QVERIFY(outcome().startsWith("Refused: the download is not signed by Veltrane."));
        QCOMPARE(TestFiles::read(m_image), QByteArray("new"));
        QCOMPARE(QDir(QFileInfo(m_image).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"notes-2.1.dmg"});
    }

    void aFullDiskLeavesTheMenuEntryWhole()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small file system: a full disk's effect on the menu entry was not checked");
        SmallDisk disk(m_locations.dataHome, "size=256k");
        QVERIFY(disk.mounted());
        TestFiles::write(m_image, "image");
        makeBundle(m_destination, "2.0");
        QVERIFY(DesktopEntries::registerBundle(m_locations, m_destination));
        const QString entry = m_locations.userDesktopEntries() + "/" + DesktopEntries::entryFileName("com.example.notes", m_destination);
        const QByteArray before = TestFiles::read(entry);
        QVERIFY(before.contains("X-Veltrane-Bundle-Path=" + m_destination.toUtf8()));
        QVERIFY(disk.fill(0));

        QTest::ignoreMessage(QtWarningMsg, "could not add Notes.app to the menus");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^could not keep the previous copy of com.example.notes: "));
        QTest::ignoreMessage(QtInfoMsg, "installed Notes.app");
        QCOMPARE(outcome(), m_destination);  // the app is in place; the entry is written again later
        QCOMPARE(TestFiles::read(entry), before);
        QCOMPARE(QDir(m_locations.userDesktopEntries()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void keepsImagesOutsideTheCache()
    {
        const QString image = m_root->filePath("Downloads/notes-2.1.dmg");
        TestFiles::write(image, "image");
        setTool("hdiutil", tool("hdiutil", "exit 1"));
        outcome(image);
        QVERIFY(QFileInfo::exists(image));
    }

private:
    QString tool(const QString &name, const QString &body)
    {
        const QString logLine = QString("printf %1 >> '%2'; for a in \"$@\"; do printf ' [%s]' \"$a\" >> '%2'; done; "
                                        "echo >> '%2'\n")
                                    .arg(name, m_log);
        return m_scripts->write(name, logLine + body);
    }

    void setTool(const QString &name, const QString &path)
    {
        auto &tools = m_options.tools;
        (name == "hdiutil" ? tools.hdiutil : name == "codesign" ? tools.codesign : name == "spctl" ? tools.spctl : tools.xattr) = path;
    }

    void arrangeImage(const QString &layout)
    {
        const QString app = m_mount + "/Notes.app";
        if (layout == "nested") {
            TreeCopy::remove(app);
            TestFiles::write(m_mount + "/Readme.txt", "read me");
            makeBundle(m_mount + "/Apps/Notes.app", "2.1");
        }
        if (layout == "other")
            makeBundle(app, "2.1", "com.example.other");
        if (layout == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(app + "/Contents/pipe").constData(), 0644), 0);
        if (layout == "huge") {  // a file that claims far more than any disk holds, taking nothing
            QFile data(app + "/Contents/data");
            QVERIFY(data.open(QIODevice::WriteOnly) && data.resize(qint64(8) << 40));
        }
    }

    static CatalogApp notes()
    {
        CatalogApp notes;
        std::tie(notes.id, notes.version, notes.bundleID, notes.tagline) = std::tuple("notes", "2.1", "com.example.notes", "Quick notes");
        return notes;
    }

    UpdateInstaller::Progress recorder()
    {
        return [this](const Step &step) {
            static const char *names[] = {"downloading", "verifying", "installing", "finished"};
            QFile f(m_log);
            f.open(QIODevice::Append);
            f.write(QByteArray("progress ") + names[int(step.kind)]
                    + (step.location.isEmpty() ? QByteArray() : " " + step.location.toUtf8()) + "\n");
        };
    }

    // The installed bundle, or the failure's text.
    QString outcome(const QString &image = {})
    {
        const AppInstaller::Outcome<QString> installed
            = QCoro::waitFor(UpdateInstaller(m_options).install(notes(), image.isEmpty() ? m_image : image, recorder()));
        return installed.ok() ? installed.value() : installed.failure().description();
    }

    // The log with the staging folder's random name as STAGING.
    QStringList log() const
    {
        QString text = QString::fromUtf8(TestFiles::read(m_log));
        text.replace(QRegularExpression(QRegularExpression::escape(StagingFolder::prefix) + "[A-Za-z0-9]{6}"), "STAGING");
        return text.split('\n', Qt::SkipEmptyParts);
    }

    QStringList stagingLeftovers() const
    {
        return QDir(m_locations.systemApplications)
            .entryList({QString(StagingFolder::prefix) + "*"}, QDir::AllEntries | QDir::Hidden);
    }

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<ScriptFolder> m_scripts;
    Locations m_locations;
    UpdateInstaller::Options m_options;
    QString m_mount, m_destination, m_kept, m_log, m_image;
};

QTEST_GUILESS_MAIN(TestDiskImageInstall)
#include "tst_disk_image_install.moc"
