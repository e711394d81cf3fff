// Quitting stops the tools: the stop is process-wide and for good, so it has a test program
// of its own.

#include "ScriptFolder.h"
#include "platform/ToolRunner.h"

#include <QFile>
#include <QTest>

#include <csignal>
#include <future>

using namespace std::chrono_literals;
using Ending = ToolRunner::Result::Ending;

class TestStop : public QObject {
    Q_OBJECT

    static pid_t pidIn(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? pid_t(f.readAll().trimmed().toInt()) : 0;
    }

private Q_SLOTS:
    void stopEndsEveryToolAndEveryLaterRun()
    {
        // One tool ignores SIGTERM; both would run for far longer than the test may take.
        const QString stubborn = m_scripts.write(
            "stubborn", QString("trap '' TERM; echo $$ > '%1'; while :; do sleep 1; done").arg(m_scripts.path("stubborn.pid")));
        const QString plain = m_scripts.write("plain", QString("echo $$ > '%1'; exec sleep 3600").arg(m_scripts.path("plain.pid")));
        auto first = std::async(std::launch::async, [&] { return ToolRunner::run(stubborn, {}, 2h); });
        auto second = std::async(std::launch::async, [&] { return ToolRunner::run(plain, {}, 2h); });
        QTRY_VERIFY_WITH_TIMEOUT(pidIn(m_scripts.path("stubborn.pid")) > 0 && pidIn(m_scripts.path("plain.pid")) > 0, 60000);

        ToolRunner::stopAll();
        for (auto *run : {&first, &second}) {
            const ToolRunner::Result result = run->get();
            QCOMPARE(result.ending, Ending::Stopped);
            QVERIFY(!result.succeeded());
            QCOMPARE(result.output, QString("(stopped: Veltrane Hub is quitting)"));
        }
        for (const char *name : {"stubborn.pid", "plain.pid"})
            QCOMPARE(::kill(pidIn(m_scripts.path(name)), 0), -1);

        const QString marker = m_scripts.path("ran");
        const ToolRunner::Result later = ToolRunner::run(m_scripts.write("later", "touch '" + marker + "'"), {}, 10s);
        QCOMPARE(later.ending, Ending::Stopped);
        QVERIFY(!QFile::exists(marker));
    }

private:
    ScriptFolder m_scripts;
};

QTEST_GUILESS_MAIN(TestStop)
#include "tst_stop.moc"
