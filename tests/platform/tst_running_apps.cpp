// Running copies of apps, on a real bundle and real processes. A script's process is its
// interpreter, so its program file never lies inside the bundle:
// - a script started by absolute or relative path, or through an interpreter, is seen
// - a program merely showing a file of the bundle is not

#include "TestFiles.h"
#include "platform/RunningApps.h"
#include "posix/InfoPlist.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestRunningApps : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_bundle = m_dir.filePath("Apps/Notes.app");
    // Unique to this test process: the scan sees every process of the machine.
    QString m_identifier = QString("com.example.notes.%1").arg(QCoreApplication::applicationPid());

private Q_SLOTS:
    void initTestCase()
    {
        posix::InfoPlist info;
        info.identifier = m_identifier.toStdString();
        info.executable = "notes";
        QVERIFY(TestFiles::write(m_bundle + "/Contents/Info.plist", QByteArray::fromStdString(info.toXml())));
        // Waits on its input, which the test holds open: no child process of its own.
        QVERIFY(TestFiles::write(m_bundle + "/Contents/MacOS/notes", "#!/bin/sh\nread line\n"));
        QVERIFY(TestFiles::write(m_bundle + "/Contents/Resources/notes.txt", "notes\n"));
        QFile::setPermissions(m_bundle + "/Contents/MacOS/notes", QFile::ReadOwner | QFile::ExeOwner);
    }

    void scriptsAreSeenThroughTheirInterpreter_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("running");
        const QString contents = m_bundle + "/Contents";
        QTest::newRow("by path") << contents + "/MacOS/notes" << QStringList() << "/" << true;
        QTest::newRow("by relative path") << "./notes" << QStringList() << contents + "/MacOS" << true;
        QTest::newRow("interpreter with options") << "/bin/sh" << QStringList {"-e", "Contents/MacOS/notes"} << m_bundle << true;
        QTest::newRow("a file shown by another program") << "/usr/bin/tail" << QStringList {"-f", contents + "/Resources/notes.txt"}
                                                         << "/" << false;
    }

    void scriptsAreSeenThroughTheirInterpreter()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, folder);
        QFETCH(bool, running);
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start(program, arguments);
        QVERIFY(process.waitForStarted());
        const qint64 pid = process.processId();
        const QList<qint64> found = RunningApps().processes(m_identifier);
        process.kill();
        process.waitForFinished();
        QCOMPARE(found, running ? QList<qint64> {pid} : QList<qint64>());
    }
};

QTEST_GUILESS_MAIN(TestRunningApps)
#include "tst_running_apps.moc"
