// The POSIX library shared by the Hub and the tools, and the Hub's tool runner on top of it.

#include "TestFiles.h"
#include "platform/ToolRunner.h"
#include "posix/InfoPlist.h"
#include "posix/TreeRemoval.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <pthread.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using namespace std::chrono_literals;
using posix::ChildProcess;
using Ending = ChildProcess::Result::Ending;

namespace {

// The process id a script wrote to a file, or 0.
pid_t pidIn(const QString &file) { return TestFiles::read(file).trimmed().toInt(); }

// Ended: no such process, or one that only waits to be reaped (an orphan's reaper may be slow).
bool isGone(pid_t pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return pid > 0;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

} // namespace

class TestPosix : public QObject {
    Q_OBJECT

    ScriptFolder m_scripts;
    QTemporaryDir m_dir;
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    std::string local(const QString &relative) const { return QFile::encodeName(path(relative)).toStdString(); }

private Q_SLOTS:
    void runs_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::newRow("arguments without a shell") << "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done"
                                                   << QStringList {"two words", "", "*", "$HOME", "é"} << Ending::Exited << 0
                                                   << "[two words]\n[]\n[*]\n[$HOME]\n[é]\n";
        QTest::newRow("both streams in order") << "echo one; echo two >&2; echo three; echo four >&2" << QStringList()
                                               << Ending::Exited << 0 << "one\ntwo\nthree\nfour\n";
        // `cat` would wait forever on an inherited terminal, or read what the Hub's input holds.
        QTest::newRow("no input") << "cat; echo end" << QStringList() << Ending::Exited << 0 << "end\n";
        QTest::newRow("exit status") << "echo bad; exit 3" << QStringList() << Ending::Exited << 3 << "bad\n";
        // The Hub ignores SIGPIPE and a worker thread may block signals; the tool gets neither.
        QTest::newRow("own SIGTERM") << "echo before; kill -TERM $$; echo survived" << QStringList() << Ending::Signalled
                                     << 128 + SIGTERM << "before\n(ended by signal 15)";
        QTest::newRow("own SIGPIPE") << "yes | head -n 1" << QStringList() << Ending::Exited << 0 << "y\n";
        QTest::newRow("invalid UTF-8 becomes empty") << "printf 'ok\\377\\376'" << QStringList() << Ending::Exited << 0 << "";
        // Programs that cannot start: "<missing>" names no script.
        QTest::newRow("missing") << "<missing>" << QStringList() << Ending::NotStarted << -1
                                 << "Could not start PROGRAM: No such file or directory";
        QTest::newRow("relative") << "<sh>" << QStringList() << Ending::NotStarted << -1 << "Could not start sh: not an absolute path";
    }

    void runs()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, arguments);
        QFETCH(Ending, ending);
        QFETCH(QString, output);
        // Input the tool must not see, and signal settings it must not inherit.
        int input[2];
        QCOMPARE(::pipe(input), 0);
        QCOMPARE(::write(input[1], "leak\n", 5), 5);
        ::close(input[1]);
        const int ownInput = ::dup(STDIN_FILENO);
        ::dup2(input[0], STDIN_FILENO);
        ::close(input[0]);
        QString program = body == "<sh>" ? "sh" : body == "<missing>" ? m_scripts.path("missing") : m_scripts.write("run", body);
        sigset_t term, previous;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &term, &previous);
        const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);
        const auto result = ToolRunner::run(program, arguments, 10s);
        std::signal(SIGPIPE, oldPipe);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        ::dup2(ownInput, STDIN_FILENO);
        ::close(ownInput);
        QCOMPARE(result.ending, ending);
        if (ending != Ending::NotStarted)
            QTEST(result.exitStatus, "status");
        QCOMPARE(result.output, output.replace("PROGRAM", program));
    }

    // A tool that prints more than is kept must not block on a full pipe.
    void readsAChattyToolToTheEnd()
    {
        ChildProcess::Options options;
        options.maxOutputBytes = 1000;
        const QString tool = m_scripts.write("chatty", "head -c 3000000 /dev/zero | tr '\\0' a; echo tail >&2");
        const auto result = ChildProcess::run(tool.toStdString(), {}, options);
        QVERIFY(result.succeeded());
        QCOMPARE(result.output, std::string(1000, 'a'));
    }

    // squashfuse leaves a daemon behind that holds the output open: the run ends with the
    // program itself and leaves the daemon alone. The helpers of a tool that ran too long go
    // with it: they would hold the mount or the files the Hub is about to clean up.
    void helpers()
    {
        const QString helper = m_scripts.path("helper.pid");
        const QString forks = m_scripts.write("forks", "sleep 600 & echo $! > '" + helper + "'; echo done");
        const auto ended = ChildProcess::run(forks.toStdString(), {});
        const pid_t daemon = pidIn(helper);
        QVERIFY(daemon > 0 && !isGone(daemon));
        ::kill(daemon, SIGKILL);
        QCOMPARE(ended.ending, Ending::Exited);
        QCOMPARE(ended.output, std::string("done\n"));

        const QString pidFile = m_scripts.path("slow.pid");
        const QString slow = m_scripts.write(
            "slow", QString("sleep 600 & echo $! > '%1'; echo $$ > '%2'; echo started; exec sleep 600").arg(helper, pidFile));
        const auto result = ToolRunner::run(slow, {}, 300ms);
        QCOMPARE(result.ending, Ending::TimedOut);
        QCOMPARE(result.output, QString("started\n(stopped: still running after 1 seconds)"));
        QVERIFY(isGone(pidIn(pidFile))); // killed and reaped
        QTRY_VERIFY(isGone(pidIn(helper)));
    }

    void removesWithoutFollowingLinks()
    {
        QVERIFY(TestFiles::write(path("outside/keep.txt"), "keep"));
        QVERIFY(TestFiles::write(path("tree/Notes.app/Contents/MacOS/notes"), "x"));
        QVERIFY(QFile::link(path("outside"), path("tree/Notes.app/Contents/folder-link")));
        QVERIFY(QFile::link(path("outside/keep.txt"), path("tree/file-link")));
        QVERIFY(QFile::link(path("outside"), path("root-link")));

        QVERIFY(posix::removeTree(local("tree")).ok());
        QVERIFY(posix::removeTree(local("root-link/")).ok()); // the link, not its folder
        QVERIFY(!QFileInfo::exists(path("tree")));
        QVERIFY(!QFileInfo(path("root-link")).isSymLink());
        QCOMPARE(TestFiles::read(path("outside/keep.txt")), QByteArray("keep"));
        QVERIFY(posix::removeTree(local("missing")).ok());
        QCOMPARE(posix::removeTree(local("outside/..")).error, EINVAL);
    }

    // What is mounted inside a tree is not the tree's: a still attached image or a mount in a
    // staging folder must survive its removal.
    void stopsAtAnotherFileSystem()
    {
        const QString mountPoint = path("mounted/Notes.app/volume");
        QVERIFY(QDir().mkpath(mountPoint));
        QVERIFY(TestFiles::write(path("mounted/Notes.app/other.txt"), "x"));
        if (::mount("none", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, nullptr) != 0)
            QSKIP("cannot mount here (not root): removal stopping at a mount point was not checked");
        QVERIFY(TestFiles::write(mountPoint + "/precious.txt", "keep"));

        const posix::TreeRemoval removed = posix::removeTree(local("mounted"));
        const QByteArray precious = TestFiles::read(mountPoint + "/precious.txt");
        ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
        QCOMPARE(removed.error, EXDEV);
        QCOMPARE(QString::fromStdString(removed.path), mountPoint);
        QCOMPARE(precious, QByteArray("keep"));
        QVERIFY(!QFile::exists(path("mounted/Notes.app/other.txt"))); // the rest went
    }

    // Anyone can put a named pipe where a bundle's Info.plist belongs; the scans of installed
    // and running apps must not wait on it.
    void readsOnlySmallPlainFiles()
    {
        const QByteArray head = "<plist><dict><key>CFBundleIdentifier</key><string>";
        const QByteArray tail = "</string></dict></plist>";
        QVERIFY(TestFiles::write(path("small.plist"), head + "app.x" + tail));
        QVERIFY(TestFiles::write(path("large.plist"), head + QByteArray(8 * 1024 * 1024, 'a') + tail));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
        const auto small = posix::InfoPlist::read(local("small.plist"));
        QVERIFY(small && small->identifier == "app.x");
        QVERIFY(!posix::InfoPlist::read(local("large.plist")));
        QVERIFY(!posix::InfoPlist::read(local("fifo")));
    }
};

QTEST_GUILESS_MAIN(TestPosix)
#include "tst_posix.moc"
