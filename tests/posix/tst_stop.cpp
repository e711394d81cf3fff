// Quitting stops every running tool, one that ignores SIGTERM too, and every later run. The stop
// is process-wide and for good, so it has a test program of its own.

#include "TestFiles.h"
#include "platform/ToolRunner.h"

#include <QFile>
#include <QTest>

#include <csignal>
#include <future>

using namespace std::chrono_literals;

class TestStop : public QObject {
    Q_OBJECT

    ScriptFolder m_scripts;

    pid_t pidIn(const QString &name) const { return TestFiles::read(m_scripts.path(name)).trimmed().toInt(); }

private Q_SLOTS:
    void stopEndsEveryToolAndEveryLaterRun()
    {
        // Both would run for far longer than the test may take.
        const QString stubborn = m_scripts.write("stubborn", "trap '' TERM; echo $$ > '" + m_scripts.path("stubborn.pid")
                                                                 + "'; while :; do sleep 1; done");
        const QString plain = m_scripts.write("plain", "echo $$ > '" + m_scripts.path("plain.pid") + "'; exec sleep 3600");
        auto first = std::async(std::launch::async, [&] { return ToolRunner::run(stubborn, {}, 2h); });
        auto second = std::async(std::launch::async, [&] { return ToolRunner::run(plain, {}, 2h); });
        QTRY_VERIFY_WITH_TIMEOUT(pidIn("stubborn.pid") > 0 && pidIn("plain.pid") > 0, 60000);

        ToolRunner::stopAll();
        for (auto *run : {&first, &second}) {
            const ToolRunner::Result result = run->get();
            QCOMPARE(result.ending, ToolRunner::Result::Ending::Stopped);
            QCOMPARE(result.output, QString("(stopped: Veltrane Hub is quitting)"));
        }
        QCOMPARE(::kill(pidIn("stubborn.pid"), 0), -1);
        QCOMPARE(::kill(pidIn("plain.pid"), 0), -1);

        const QString marker = m_scripts.path("ran");
        const ToolRunner::Result later = ToolRunner::run(m_scripts.write("later", "touch '" + marker + "'"), {}, 10s);
        QCOMPARE(later.ending, ToolRunner::Result::Ending::Stopped);
        QVERIFY(!QFile::exists(marker));
    }
};

QTEST_GUILESS_MAIN(TestStop)
#include "tst_stop.moc"
