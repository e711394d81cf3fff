// The maker's guide, run as written: each shell block of docs/publishing.md, in order, in one
// empty folder with the built tools on PATH.
// - a step of the guide that no longer works with the tools fails, named by its heading

#include "ToolFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

class TestPublishingGuide : public QObject {
    Q_OBJECT

    ToolFixture fx;

private Q_SLOTS:
    void stepsRun_data()
    {
        QTest::addColumn<QString>("script");
        QFile guide(VELTRANE_TEST_GUIDE);
        QVERIFY(guide.open(QIODevice::ReadOnly));
        static const QRegularExpression block("^## (.+?)$|^```sh\n(.*?)^```$",
                                              QRegularExpression::MultilineOption | QRegularExpression::DotMatchesEverythingOption);
        QString step;
        int blocks = 0;
        for (const auto &match : block.globalMatch(QString::fromUtf8(guide.readAll()))) {
            if (match.hasCaptured(1))
                step = match.captured(1);
            else
                QTest::addRow("%d %s", ++blocks, qPrintable(step)) << match.captured(2);
        }
        QVERIFY(blocks >= 8);
        QDir().mkpath(fx.path("bin"));
        QDir().mkpath(fx.path("work"));
        for (const QString tool : {VELTRANE_TEST_PACK, VELTRANE_TEST_CODESIGN, VELTRANE_TEST_CATALOG})
            QFile::link(tool, fx.path("bin/" + QFileInfo(tool).fileName()));
    }

    void stepsRun()
    {
        QFETCH(QString, script);
        if (QString(QTest::currentDataTag()).endsWith("Serve"))
            QSKIP("serving needs a web server, a certificate and root: the guide's serve step was not run");
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", fx.path("bin") + ":/usr/bin:/bin");
        const ToolRun run = ToolFixture::run("/bin/sh", {"-e", "-c", script}, env, fx.path("work"));
        QVERIFY2(run.exitCode == 0, qPrintable(script + "\n" + run.merged()));
    }
};

QTEST_GUILESS_MAIN(TestPublishingGuide)
#include "tst_publishing_guide.moc"
