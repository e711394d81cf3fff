// The Trash, running copies and opening apps on real files and processes.
#include "SmallDisk.h"
#include "TestFiles.h"
#include "platform/AppLauncher.h"
#include "platform/RunningApps.h"
#include "platform/Trash.h"
#include "posix/InfoPlist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {
// Unique to this test process: the checks for running copies see every process of the machine.
const QString identifier = QString("com.example.notes.%1").arg(QCoreApplication::applicationPid());

QString makeBundle(const QString &bundle, const QString &executable)
{
    posix::InfoPlist info;
    info.identifier = identifier.toStdString();
    info.shortVersion = "1.0";
    info.executable = executable.toStdString();
    TestFiles::write(bundle + "/Contents/Info.plist", QByteArray::fromStdString(info.toXml()));
    return bundle;
}

// A script, or a copy of a real program (so that the kernel names it as the running program).
void writeProgram(const QString &path, const QByteArray &script = {})
{
    QFile::remove(path);
    QDir().mkpath(QFileInfo(path).path());
    if (script.isEmpty())
        QFile::copy("/bin/sleep", path);
    else
        TestFiles::write(path, "#!/bin/sh\n" + script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
} // namespace

class DesktopServicesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    // Inside the test home, so items and the Trash share one filesystem.
    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QString dataHome() const { return path("data"); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>(QDir::homePath() + "/desktop-XXXXXX");
        QVERIFY(m_dir->isValid());
    }

    void trashKeepsEachItemsOrigin()
    {
        const QString name = "Ünïcode 100% done.app";
        const QStringList originals{path("a/" + name), path("b/" + name), path("notes.txt")};
        // A leftover without information file must not be overwritten either.
        const QString leftover = dataHome() + "/Trash/files/Ünïcode 100% done.2.app/keep";
        TestFiles::write(leftover, "leftover");
        QStringList trashed;
        for (const QString &original : originals) {
            TestFiles::write(original.endsWith(".app") ? original + "/Contents/Info.plist" : original, original.toUtf8());
            const Trash::Result result = Trash(dataHome()).moveToTrash(original);
            QVERIFY2(result.ok(), qPrintable(result.error));
            QCOMPARE(QFileInfo(result.trashedAt).path(), dataHome() + "/Trash/files");
            QVERIFY(!trashed.contains(result.trashedAt));
            trashed << result.trashedAt;
        }
        QCOMPARE(TestFiles::read(leftover), QByteArray("leftover"));
        for (qsizetype i = 0; i < originals.size(); ++i) {
            const QByteArray info
                = TestFiles::read(dataHome() + "/Trash/info/" + QFileInfo(trashed[i]).fileName() + ".trashinfo");
            const QRegularExpressionMatch match
                = QRegularExpression("^\\[Trash Info\\]\nPath=([^ \n]+)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$")
                      .match(QString::fromLatin1(info));
            QVERIFY2(match.hasMatch(), info.constData());
            // Putting it back, as a file manager does: move it to the recorded path.
            const QString origin = QString::fromUtf8(QByteArray::fromPercentEncoding(match.captured(1).toLatin1()));
            QCOMPARE(origin, originals[i]);
            QVERIFY(QFile::rename(trashed[i], origin));
        }
        QCOMPARE(TestFiles::read(originals[1] + "/Contents/Info.plist"), originals[1].toUtf8());
    }

    void aFullDiskLeavesTheItemAndNoRecord()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small file system: trashing on a full disk was not checked");
        SmallDisk disk(dataHome(), "size=128k");
        QVERIFY(disk.mounted());
        const QString item = dataHome() + "/items/Foo.app";
        TestFiles::write(item + "/Contents/Info.plist", "payload");
        for (const char *folder : {"/Trash/files", "/Trash/info"})
            QVERIFY(QDir().mkpath(dataHome() + folder));
        QVERIFY(disk.fill(0));

        const Trash::Result result = Trash(dataHome()).moveToTrash(item);
        QCOMPARE(result.error, QString("Could not move “Foo.app” to the Trash: No space left on device."));
        QCOMPARE(TestFiles::read(item + "/Contents/Info.plist"), QByteArray("payload"));
        QCOMPARE(QDir(dataHome() + "/Trash/info").entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void enclosingBundle()
    {
        const std::pair<const char *, const char *> cases[] = {
            {"/A/Foo.app/Contents/MacOS/foo", "/A/Foo.app"},
            {"/A/Foo.app/Contents/Helpers/Bar.app/Contents/MacOS/bar", "/A/Foo.app/Contents/Helpers/Bar.app"},
            {"/A/Foo.app2/Contents/MacOS/foo", ""}, {"/usr/bin/tool.app", ""}, {"/A/.app/Contents/MacOS/foo", ""}};
        for (const auto &[program, bundle] : cases)
            QCOMPARE(RunningApps::enclosingBundle(program), QString(bundle));
    }

    // A script's process is its interpreter, so its program file never lies inside the bundle.
    void runningCopiesAreFoundByIdentifier_data()
    {
        QTest::addColumn<QString>("program");  // BUNDLE stands for the bundle's path
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("running");
        QTest::newRow("the bundle's program") << "BUNDLE/Contents/MacOS/sleep" << QStringList{"30"} << "/" << true;
        QTest::newRow("replaced while running") << "BUNDLE/Contents/MacOS/sleep" << QStringList{"30"} << "/" << true;
        QTest::newRow("look-alike folder") << "BUNDLE2/Contents/MacOS/sleep" << QStringList{"30"} << "/" << false;
        QTest::newRow("script by path") << "BUNDLE/Contents/MacOS/notes" << QStringList() << "/" << true;
        QTest::newRow("script by relative path") << "./notes" << QStringList() << "BUNDLE/Contents/MacOS" << true;
        QTest::newRow("script through an interpreter") << "/bin/sh" << QStringList{"-e", "Contents/MacOS/notes"}
                                                       << "BUNDLE" << true;
        QTest::newRow("a file shown by another program")
            << "/usr/bin/tail" << QStringList{"-f", "BUNDLE/Contents/Resources/notes.txt"} << "/" << false;
    }

    void runningCopiesAreFoundByIdentifier()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, folder);
        QFETCH(bool, running);
        const QString bundle = makeBundle(path("Apps/Notes.app"), "notes");
        makeBundle(path("Apps/Notes.app2"), "notes");
        for (const QString &copy : {bundle, bundle + "2"})
            writeProgram(copy + "/Contents/MacOS/sleep");
        // Waits on its input, which the test holds open: no child process of its own.
        writeProgram(bundle + "/Contents/MacOS/notes", "read line\n");
        TestFiles::write(bundle + "/Contents/Resources/notes.txt", "notes\n");
        const auto inBundle = [&](QString text) { return text.replace("BUNDLE", bundle); };

        QProcess process;
        process.setWorkingDirectory(inBundle(folder));
        process.start(inBundle(program), arguments.replaceInStrings("BUNDLE", bundle));
        QVERIFY(process.waitForStarted());
        if (QTest::currentDataTag() == QByteArray("replaced while running"))
            writeProgram(bundle + "/Contents/MacOS/sleep");
        QCOMPARE(RunningApps().processes(identifier), running ? QList<qint64>{process.processId()} : QList<qint64>());
        process.kill();
        process.waitForFinished();
        QVERIFY(!RunningApps().isRunning(identifier));
    }

    // Only the program the Info.plist names inside Contents/MacOS, in the home folder.
    void openStartsOnlyTheBundlesProgram()
    {
        const QString home = path("home"), marker = path("started");
        const QByteArray m = QFile::encodeName(marker);
        QDir().mkpath(home);
        for (const QString executable : {"../../evil", "/bin/true", "ghost", "notes"}) {
            const QString bundle = makeBundle(path("Apps/Notes.app"), executable);
            writeProgram(bundle + "/Contents/MacOS/notes", "pwd > '" + m + ".part' && mv '" + m + ".part' '" + m + "'\n");
            writeProgram(bundle + "/evil", "true\n");  // a real program outside Contents/MacOS
            if (executable != "notes") {
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^no program to start in "));
                QVERIFY2(!AppLauncher(home).open(bundle), qPrintable(executable));
            }
        }
        QVERIFY(AppLauncher(home).open(path("Apps/Notes.app")));
        QTRY_VERIFY(QFileInfo::exists(marker));
        QCOMPARE(TestFiles::read(marker).trimmed(), QFileInfo(home).canonicalFilePath().toUtf8());
    }
};

QTEST_GUILESS_MAIN(DesktopServicesTest)
#include "tst_desktop_services.moc"
