#include "TestBundles.h"
#include "SmallDisk.h"
#include "TestFiles.h"
#include "platform/AppLauncher.h"
#include "platform/RunningApps.h"
#include "platform/Trash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// Unique to this test process: the checks for running copies see every process of the
// machine, other tests' included.
QString bundleID(const QString &name)
{
    return QStringLiteral("com.example.%1.%2").arg(name).arg(QCoreApplication::applicationPid());
}

// The two keys of an information file, the path decoded as the Trash's users decode it.
struct TrashInfo {
    QString path;
    QString deletionDate;
};

TrashInfo readTrashInfo(const QString &file)
{
    TrashInfo info;
    const QList<QByteArray> lines = TestFiles::read(file).split('\n');
    if (lines.value(0) != "[Trash Info]")
        return info;
    for (const QByteArray &line : lines) {
        if (line.startsWith("Path="))
            info.path = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(5)));
        else if (line.startsWith("DeletionDate="))
            info.deletionDate = QString::fromLatin1(line.mid(13));
    }
    return info;
}

} // namespace

class DesktopServicesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<QProcess *> m_processes;

    // Inside the test home, so items and the Trash share one filesystem.
    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QString dataHome() const { return path(QStringLiteral("data")); }

    QProcess *startFrom(const QString &program)
    {
        auto *process = new QProcess(this);
        m_processes.append(process);
        process->start(program, {QStringLiteral("30")});
        return process->waitForStarted() ? process : nullptr;
    }

    void stop(QProcess *process)
    {
        process->kill();
        process->waitForFinished();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>(QDir::homePath() + QStringLiteral("/desktop-XXXXXX"));
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        for (QProcess *process : std::as_const(m_processes))
            stop(process);
        qDeleteAll(m_processes);
        m_processes.clear();
        m_dir.reset();
    }

    // Trash

    void trashedItemsCanBePutBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isFolder");
        QTest::newRow("file") << QStringLiteral("notes.txt") << false;
        QTest::newRow("app bundle") << QStringLiteral("Foo.app") << true;
        QTest::newRow("spaces, percent, accents") << QStringLiteral("Ünïcode 100% done.app") << true;
    }

    void trashedItemsCanBePutBack()
    {
        QFETCH(QString, name);
        QFETCH(bool, isFolder);
        const QString original = path(QStringLiteral("items/") + name);
        const QString content = isFolder ? original + QStringLiteral("/Contents/Info.plist") : original;
        TestFiles::write(content, "payload");

        const Trash::Result result = Trash(dataHome()).moveToTrash(original);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(original));
        QCOMPARE(QFileInfo(result.trashedAt).path(), dataHome() + QStringLiteral("/Trash/files"));

        const QString infoFile = dataHome() + QStringLiteral("/Trash/info/")
                                 + QFileInfo(result.trashedAt).fileName() + QStringLiteral(".trashinfo");
        const QByteArray raw = TestFiles::read(infoFile);
        const QByteArray pathLine = raw.mid(raw.indexOf("Path=")).split('\n').value(0);
        QVERIFY2(!pathLine.contains(' ') && !pathLine.contains("Ü"), raw.constData());  // escaped as in URLs
        const TrashInfo info = readTrashInfo(infoFile);
        QCOMPARE(info.path, original);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"))
                    .match(info.deletionDate)
                    .hasMatch());

        // Putting it back, as a file manager does: move it to the recorded path.
        QVERIFY(QFile::rename(result.trashedAt, info.path));
        QCOMPARE(TestFiles::read(content), QByteArray("payload"));
    }

    void itemsOfTheSameNameKeepTheirOwnOrigin()
    {
        const QStringList originals{path(QStringLiteral("a/Foo.app")), path(QStringLiteral("b/Foo.app"))};
        // A leftover without information file must not be overwritten either.
        TestFiles::write(dataHome() + QStringLiteral("/Trash/files/Foo.2.app/keep"), "leftover");

        QStringList trashed;
        for (const QString &original : originals) {
            TestFiles::write(original + QStringLiteral("/Contents/Info.plist"), original.toUtf8());
            const Trash::Result result = Trash(dataHome()).moveToTrash(original);
            QVERIFY2(result.ok(), qPrintable(result.error));
            trashed.append(result.trashedAt);
        }
        QCOMPARE(trashed.size(), 2);
        QVERIFY(trashed.at(0) != trashed.at(1));
        for (qsizetype i = 0; i < 2; ++i) {
            QCOMPARE(TestFiles::read(trashed.at(i) + QStringLiteral("/Contents/Info.plist")), originals.at(i).toUtf8());
            const QString infoFile = dataHome() + QStringLiteral("/Trash/info/")
                                     + QFileInfo(trashed.at(i)).fileName() + QStringLiteral(".trashinfo");
            QCOMPARE(readTrashInfo(infoFile).path, originals.at(i));
        }
        QCOMPARE(TestFiles::read(dataHome() + QStringLiteral("/Trash/files/Foo.2.app/keep")), QByteArray("leftover"));
    }

    void aFullDiskLeavesTheItemAndNoRecord()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small file system: trashing on a full disk was not checked");
        SmallDisk disk(dataHome(), "size=128k");
        QVERIFY(disk.mounted());
        const QString item = dataHome() + QStringLiteral("/items/Foo.app");
        TestFiles::write(item + QStringLiteral("/Contents/Info.plist"), "payload");
        for (const char *folder : {"/Trash/files", "/Trash/info"})
            QVERIFY(QDir().mkpath(dataHome() + QLatin1String(folder)));
        QVERIFY(disk.fill(0));

        const Trash::Result result = Trash(dataHome()).moveToTrash(item);
        QCOMPARE(result.error, QStringLiteral("Could not move “Foo.app” to the Trash: No space left on device."));
        QCOMPARE(TestFiles::read(item + QStringLiteral("/Contents/Info.plist")), QByteArray("payload"));
        QCOMPARE(QDir(dataHome() + QStringLiteral("/Trash/info")).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // Running apps

    void enclosingBundle_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("bundle");
        QTest::newRow("main program") << "/A/Foo.app/Contents/MacOS/foo" << "/A/Foo.app";
        QTest::newRow("replaced while running") << "/A/Foo.app/Contents/MacOS/foo (deleted)" << "/A/Foo.app";
        QTest::newRow("nested helper") << "/A/Foo.app/Contents/Helpers/Bar.app/Contents/MacOS/bar"
                                       << "/A/Foo.app/Contents/Helpers/Bar.app";
        QTest::newRow("look-alike folder") << "/A/Foo.app2/Contents/MacOS/foo" << "";
        QTest::newRow("program named .app") << "/usr/bin/tool.app" << "";
        QTest::newRow("bare .app folder") << "/A/.app/Contents/MacOS/foo" << "";
        QTest::newRow("no bundle") << "/usr/bin/sleep" << "";
    }

    void enclosingBundle()
    {
        QFETCH(QString, program);
        QFETCH(QString, bundle);
        QCOMPARE(RunningApps::enclosingBundle(program), bundle);
    }

    void runningCopiesAreFoundByIdentifier()
    {
        const QString bundle = TestBundles::make(path(QStringLiteral("Apps")), QStringLiteral("Foo"),
                                                 bundleID(QStringLiteral("foo")), QStringLiteral("foo"));
        const QString lookalike = path(QStringLiteral("Apps/Foo.app2"));
        QVERIFY(QDir().rename(TestBundles::make(path(QStringLiteral("Apps")), QStringLiteral("Foo2"),
                                                bundleID(QStringLiteral("foo")), QStringLiteral("foo")),
                              lookalike));
        QProcess *copy = startFrom(TestBundles::copyProgram(bundle, QStringLiteral("foo")));
        QProcess *outsider = startFrom(TestBundles::copyProgram(lookalike, QStringLiteral("foo")));
        QVERIFY(copy && outsider);

        const RunningApps running;
        QCOMPARE(running.processes(bundleID(QStringLiteral("foo"))), QList<qint64>{copy->processId()});
        QVERIFY(!running.isRunning(bundleID(QStringLiteral("other"))));
        QVERIFY(!running.isRunning(QString()));

        // An update that replaced the program file leaves the old copy running.
        QVERIFY(QFile::remove(bundle + QStringLiteral("/Contents/MacOS/foo")));
        TestBundles::copyProgram(bundle, QStringLiteral("foo"));
        QVERIFY(running.isRunning(bundleID(QStringLiteral("foo"))));

        stop(copy);
        QVERIFY(!running.isRunning(bundleID(QStringLiteral("foo"))));
    }

    // Opening apps

    void openStartsTheBundlesProgram()
    {
        const QString bundle = TestBundles::make(path(QStringLiteral("Apps")), QStringLiteral("Foo"),
                                                 bundleID(QStringLiteral("foo")), QStringLiteral("foo"));
        const QString marker = path(QStringLiteral("started"));
        TestBundles::writeScript(bundle, QStringLiteral("foo"),
                                 "pwd > '" + marker.toUtf8() + ".part' && mv '" + marker.toUtf8() + ".part' '"
                                     + marker.toUtf8() + "'\n");
        const QString home = path(QStringLiteral("home"));
        QDir().mkpath(home);

        QVERIFY(AppLauncher(home).open(bundle));
        QTRY_VERIFY(QFileInfo::exists(marker));
        QCOMPARE(TestFiles::read(marker).trimmed(), QFileInfo(home).canonicalFilePath().toUtf8());
    }

    void openRefusesWhatIsNoProgramOfTheBundle_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::newRow("path leaving the bundle") << "../../evil";
        QTest::newRow("absolute path") << "/bin/true";
        QTest::newRow("missing program") << "ghost";
    }

    void openRefusesWhatIsNoProgramOfTheBundle()
    {
        QFETCH(QString, executable);
        const QString bundle = TestBundles::make(path(QStringLiteral("Apps")), QStringLiteral("Foo"),
                                                 bundleID(QStringLiteral("foo")), executable);
        // The name from the Info.plist would reach a real program outside Contents/MacOS.
        TestFiles::write(bundle + QStringLiteral("/evil"), "#!/bin/sh\ntrue\n");
        QFile::setPermissions(bundle + QStringLiteral("/evil"), QFile::ReadOwner | QFile::ExeOwner);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^no program to start in ")));
        QVERIFY(!AppLauncher(path(QString())).open(bundle));
    }
};

QTEST_GUILESS_MAIN(DesktopServicesTest)
#include "tst_desktop_services.moc"
