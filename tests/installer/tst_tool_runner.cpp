#include "ScriptFolder.h"
#include "platform/ToolRunner.h"

#include <QFile>
#include <QTest>

#include <csignal>

using namespace std::chrono_literals;
using Ending = ToolRunner::Result::Ending;

class TestToolRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void passesArgumentsWithoutAShell()
    {
        const QString tool = m_scripts.write("args", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done");
        const auto result = ToolRunner::run(tool, {"two words", "", "*", "$HOME", "é"}, 10s);
        QVERIFY(result.succeeded());
        QCOMPARE(result.output, QString("[two words]\n[]\n[*]\n[$HOME]\n[é]\n"));
    }

    void mergesBothStreamsInOrder()
    {
        const QString tool = m_scripts.write("streams", "echo one; echo two >&2; echo three; echo four >&2");
        const auto result = ToolRunner::run(tool, {}, 10s);
        QCOMPARE(result.output, QString("one\ntwo\nthree\nfour\n"));
    }

    void givesTheToolNoInput()
    {
        // `cat` would wait forever on an inherited terminal or pipe.
        const auto result = ToolRunner::run(m_scripts.write("reader", "cat; echo end"), {}, 10s);
        QCOMPARE(result.output, QString("end\n"));
    }

    void readsAChattyToolToTheEnd()
    {
        const QString tool = m_scripts.write("chatty", "head -c 3000000 /dev/zero | tr '\\0' a; echo tail >&2");
        const auto result = ToolRunner::run(tool, {}, 30s);
        QVERIFY(result.succeeded());
        QCOMPARE(result.output.size(), 3000000 + 5);
        QVERIFY(result.output.endsWith("atail\n"));
    }

    void endings_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("ending");
        QTest::addColumn<int>("status");
        QTest::newRow("success") << "echo fine" << int(Ending::Exited) << 0;
        QTest::newRow("exit status") << "echo bad; exit 3" << int(Ending::Exited) << 3;
        QTest::newRow("killed") << "echo before; kill -9 $$" << int(Ending::Signalled) << 128 + SIGKILL;
        QTest::newRow("terminated") << "kill -TERM $$" << int(Ending::Signalled) << 128 + SIGTERM;
    }

    void endings()
    {
        QFETCH(QString, body);
        QFETCH(int, ending);
        QFETCH(int, status);
        const auto result = ToolRunner::run(m_scripts.write("ending", body), {}, 10s);
        QCOMPARE(int(result.ending), ending);
        QCOMPARE(result.exitStatus, status);
        QCOMPARE(result.succeeded(), ending == int(Ending::Exited) && status == 0);
    }

    void stopsAToolThatRunsTooLong()
    {
        const QString pidFile = m_scripts.path("slow.pid");
        const QString tool = m_scripts.write("slow", QString("echo $$ > '%1'; echo started; exec sleep 60").arg(pidFile));
        const auto result = ToolRunner::run(tool, {}, 300ms);
        QCOMPARE(result.ending, Ending::TimedOut);
        QVERIFY(!result.succeeded());
        QVERIFY(result.output.startsWith("started\n"));
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const pid_t pid = file.readAll().trimmed().toInt();
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid, 0), -1);  // killed and reaped
    }

    void doesNotWaitForHelpersThatKeepTheOutputOpen()
    {
        const QString pidFile = m_scripts.path("helper.pid");
        const QString tool = m_scripts.write("forks", QString("sleep 60 & echo $! > '%1'; echo done").arg(pidFile));
        const auto result = ToolRunner::run(tool, {}, 20s);
        QFile file(pidFile);
        if (file.open(QIODevice::ReadOnly))
            ::kill(file.readAll().trimmed().toInt(), SIGKILL);
        QCOMPARE(result.ending, Ending::Exited);
        QCOMPARE(result.output, QString("done\n"));
    }

    void notStarted_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("missing") << m_scripts.path("missing");
        QTest::newRow("relative") << "sh";
        QTest::newRow("not executable") << m_notExecutable;
        QTest::newRow("empty") << "";
    }

    void notStarted()
    {
        QFETCH(QString, program);
        const auto result = ToolRunner::run(program, {}, 10s);
        QCOMPARE(result.ending, Ending::NotStarted);
        QVERIFY(!result.succeeded());
        QVERIFY2(result.output.startsWith("Could not start"), qPrintable(result.output));
    }

    void invalidUtf8BecomesEmpty()
    {
        const auto result = ToolRunner::run(m_scripts.write("binary", "printf 'ok\\377\\376'"), {}, 10s);
        QVERIFY(result.succeeded());
        QCOMPARE(result.output, QString());
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

QTEST_GUILESS_MAIN(TestToolRunner)
#include "tst_tool_runner.moc"
