#include "TestCertificates.h"
#include "TestFiles.h"

#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

using Action = CommandLine::Action;
using Others = CommandLine::Others;

class AppLaunchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Others>("others");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("trustsCa");
        const QString ca = TestCertificates::caFile();
        const QString staging = QStringLiteral("https://staging.example:8443/api/apps.json");
        QTest::newRow("nothing") << QStringList{} << Others::Refuse << Action::Run << QString() << false;
        QTest::newRow("help") << QStringList{"--help-all"} << Others::Refuse << Action::PrintHelp << QString() << false;
        QTest::newRow("version") << QStringList{"--version"} << Others::Refuse << Action::PrintVersion << QString()
                                 << false;
        QTest::newRow("staging server") << QStringList{"--catalogue-url", staging, "--trust-ca", ca} << Others::Refuse
                                        << Action::Run << staging << true;
        QTest::newRow("plain http") << QStringList{"--catalogue-url", "http://staging.example/api/apps.json"}
                                    << Others::Refuse << Action::Fail << QString() << false;
        QTest::newRow("no host") << QStringList{"--catalogue-url", "https:///api/apps.json"} << Others::Refuse
                                 << Action::Fail << QString() << false;
        QTest::newRow("no value") << QStringList{"--catalogue-url"} << Others::Refuse << Action::Fail << QString()
                                  << false;
        QTest::newRow("missing authority") << QStringList{"--trust-ca", "/nonexistent/ca.pem"} << Others::Refuse
                                           << Action::Fail << QString() << false;
        QTest::newRow("not a certificate") << QStringList{"--trust-ca", QStringLiteral(__FILE__)} << Others::Refuse
                                           << Action::Fail << QString() << false;
        QTest::newRow("unknown option") << QStringList{"--bogus"} << Others::Refuse << Action::Fail << QString()
                                        << false;
        QTest::newRow("stray argument") << QStringList{"photolab"} << Others::Refuse << Action::Fail << QString()
                                        << false;
        // Before the window's application object has taken Qt's own options off the list.
        QTest::newRow("Qt's options left for Qt") << QStringList{"-platform", "offscreen", "--catalogue-url", staging}
                                                  << Others::Ignore << Action::Run << staging << false;
        QTest::newRow("a bad URL among Qt's options") << QStringList{"-reverse", "--catalogue-url", "http://x/"}
                                                      << Others::Ignore << Action::Fail << QString() << false;
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Others, others);
        QFETCH(Action, action);
        QFETCH(QString, url);
        QFETCH(bool, trustsCa);
        const CommandLine line = CommandLine::parse(QStringList{"veltrane-hub"} + arguments, others);
        QCOMPARE(line.action, action);
        QVERIFY(action == Action::Run || !line.text.isEmpty());
        QCOMPARE(line.catalogueUrl, url.isEmpty() ? QUrl() : QUrl(url));
        QCOMPARE(line.trustedCaFile, trustsCa ? TestCertificates::caFile() : QString());

        VeltraneHubApp::Options options;
        line.applyTo(options);
        QCOMPARE(options.catalog.endpoint, url.isEmpty() ? CatalogService::endpoint() : QUrl(url));
        QCOMPARE(options.installer.extraCaFile, line.trustedCaFile);
        QCOMPARE(options.catalog.extraCaFile, line.trustedCaFile);
    }

    // A second launch reaches the first over the socket; a lock and a socket left by a Hub that
    // crashed do not keep the next one from starting.
    void oneInstance()
    {
        QTemporaryDir runtime;
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        QVERIFY(TestFiles::write(runtime.filePath("apps.veltrane.Hub.lock"),
                                 QByteArray::number(deadPid) + "\nveltrane-hub\n" + QSysInfo::machineHostName().toUtf8()
                                     + "\n"));
        QVERIFY(TestFiles::write(runtime.filePath("apps.veltrane.Hub.socket"), "left behind"));

        SingleInstance first(runtime.path());
        QCOMPARE(first.claim(), SingleInstance::Claim::Claimed);
        SingleInstance second(runtime.path());
        QCOMPARE(second.claim(), SingleInstance::Claim::HeldByOther);

        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        QFuture<bool> answered = QtConcurrent::run([&second] { return second.activateRunning("token-1 x\n"); });
        QVERIFY(raised.wait());
        QCOMPARE(raised.constFirst().constFirst().toByteArray(), QByteArray());  // not one plain word
        QTRY_VERIFY(answered.isFinished());
        QVERIFY(answered.result());

        answered = QtConcurrent::run([&second] { return second.activateRunning("token-2"); });
        QVERIFY(raised.wait());
        QCOMPARE(raised.constLast().constFirst().toByteArray(), QByteArray("token-2"));
        QTRY_VERIFY(answered.isFinished());
        QVERIFY(answered.result());
    }
};

QTEST_GUILESS_MAIN(AppLaunchTest)
#include "tst_app_launch.moc"
