// The child-process runner that the Hub (through ToolRunner) and the tools share.

#include "ScriptFolder.h"
#include "platform/ToolRunner.h"
#include "posix/ChildProcess.h"

#include <QFile>
#include <QTest>

#include <csignal>
#include <pthread.h>
#include <unistd.h>

using namespace std::chrono_literals;
using posix::ChildProcess;
using Ending = ChildProcess::Result::Ending;

namespace {

// The process id a script wrote to a file, or 0.
pid_t pidIn(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? pid_t(f.readAll().trimmed().toInt()) : 0;
}

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

class TestChildProcess : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // squashfuse leaves a daemon behind that holds the output open; the run must end with the
    // program itself.
    void doesNotWaitForHelpersThatKeepTheOutputOpen()
    {
        const QString pidFile = m_scripts.path("helper.pid");
        const QString tool = m_scripts.write("forks", QString("sleep 600 & echo $! > '%1'; echo done").arg(pidFile));
        const auto result = ChildProcess::run(tool.toStdString(), {});
        const pid_t helper = pidIn(pidFile);
        QVERIFY(helper > 0 && !isGone(helper)); // a normal end leaves the helper alone
        ::kill(helper, SIGKILL);
        QCOMPARE(result.ending, Ending::Exited);
        QCOMPARE(result.output, std::string("done\n"));
    }

    void passesArgumentsWithoutAShell()
    {
        const QString tool = m_scripts.write("args", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done");
        const auto result = ToolRunner::run(tool, {"two words", "", "*", "$HOME", "é"}, 10s);
        QVERIFY(result.succeeded());
        QCOMPARE(result.output, QString("[two words]\n[]\n[*]\n[$HOME]\n[é]\n"));
    }

    void output_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("both streams in order") << "echo one; echo two >&2; echo three; echo four >&2"
                                               << QByteArray("one\ntwo\nthree\nfour\n");
        // `cat` would wait forever on an inherited terminal, or read what the Hub's input holds.
        QTest::newRow("no input") << "cat; echo end" << QByteArray("end\n");
    }

    void output()
    {
        QFETCH(QString, body);
        QFETCH(QByteArray, expected);
        int input[2];
        QCOMPARE(::pipe(input), 0);
        QCOMPARE(::write(input[1], "leak\n", 5), 5);
        ::close(input[1]);
        const int ownInput = ::dup(STDIN_FILENO);
        ::dup2(input[0], STDIN_FILENO);
        ::close(input[0]);
        const auto result = ChildProcess::run(m_scripts.write("out", body).toStdString(), {});
        ::dup2(ownInput, STDIN_FILENO);
        ::close(ownInput);
        QVERIFY(result.succeeded());
        QCOMPARE(QByteArray::fromStdString(result.output), expected);
    }

    // A tool that prints more than is kept must not block on a full pipe.
    void readsAChattyToolToTheEnd()
    {
        const QString tool = m_scripts.write("chatty", "head -c 3000000 /dev/zero | tr '\\0' a; echo tail >&2");
        ChildProcess::Options options;
        options.maxOutputBytes = 1000;
        const auto result = ChildProcess::run(tool.toStdString(), {}, options);
        QVERIFY(result.succeeded());
        QCOMPARE(result.output, std::string(1000, 'a'));
    }

    void endings_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::newRow("exit status") << "echo bad; exit 3" << Ending::Exited << 3 << "bad\n";
        QTest::newRow("killed") << "echo before; kill -9 $$" << Ending::Signalled << 128 + SIGKILL
                                << "before\n(ended by signal 9)";
        QTest::newRow("terminated") << "printf x; kill -TERM $$" << Ending::Signalled << 128 + SIGTERM
                                    << "x\n(ended by signal 15)";
        QTest::newRow("invalid UTF-8 becomes empty") << "printf 'ok\\377\\376'" << Ending::Exited << 0 << "";
    }

    void endings()
    {
        QFETCH(QString, body);
        QFETCH(Ending, ending);
        QFETCH(int, status);
        QFETCH(QString, output);
        const auto result = ToolRunner::run(m_scripts.write("ending", body), {}, 10s);
        QCOMPARE(result.ending, ending);
        QCOMPARE(result.exitStatus, status);
        QCOMPARE(result.output, output);
    }

    // The helpers of a tool that ran too long go with it: they would hold the mount or the
    // files the Hub is about to clean up.
    void stopsAToolThatRunsTooLongWithItsHelpers()
    {
        const QString helperFile = m_scripts.path("slow-helper.pid");
        const QString pidFile = m_scripts.path("slow.pid");
        const QString tool = m_scripts.write(
            "slow", QString("sleep 600 & echo $! > '%1'; echo $$ > '%2'; echo started; exec sleep 600")
                        .arg(helperFile, pidFile));
        const auto result = ToolRunner::run(tool, {}, 300ms);
        QCOMPARE(result.ending, Ending::TimedOut);
        QCOMPARE(result.output, QString("started\n(stopped: still running after 1 seconds)"));
        QVERIFY(isGone(pidIn(pidFile))); // killed and reaped
        QTRY_VERIFY(isGone(pidIn(helperFile)));
    }

    // A worker thread may block signals, and the Hub ignores SIGPIPE; the tool gets neither.
    void signalsAreTheToolsOwn()
    {
        sigset_t term, previous;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &term, &previous);
        const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);
        const auto terminated = ChildProcess::run(m_scripts.write("term", "kill -TERM $$; echo survived").toStdString(), {});
        const auto piped = ChildProcess::run(m_scripts.write("pipe", "yes | head -n 1").toStdString(), {});
        std::signal(SIGPIPE, oldPipe);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        QCOMPARE(terminated.ending, Ending::Signalled);
        QCOMPARE(piped.output, std::string("y\n")); // `yes` ended by SIGPIPE, without a complaint
    }

    void notStarted_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << m_scripts.path("missing") << "No such file or directory";
        QTest::newRow("relative") << "sh" << "not an absolute path";
        QTest::newRow("not executable") << m_notExecutable << "Permission denied";
        QTest::newRow("empty") << "" << "not an absolute path";
    }

    void notStarted()
    {
        QFETCH(QString, program);
        QFETCH(QString, reason);
        const auto result = ToolRunner::run(program, {}, 10s);
        QCOMPARE(result.ending, Ending::NotStarted);
        QCOMPARE(result.output, QString("Could not start %1: %2").arg(program, reason));
    }

private:
    ScriptFolder m_scripts;
    QString m_notExecutable = [this] {
        QFile f(m_scripts.path("plain"));
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\necho hi\n");
        return f.fileName();
    }();
};

QTEST_GUILESS_MAIN(TestChildProcess)
#include "tst_child_process.moc"
