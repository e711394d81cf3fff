#include "FakeInstaller.h"
#include "TestCertificates.h"
#include "TestFiles.h"
#include "TestHttpsServer.h"

#include "app/CommandLine.h"
#include "app/ImageNetwork.h"
#include "service/UnresolvedHosts.h"
#include "app/QuitSignals.h"
#include "app/SingleInstance.h"
#include "app/StartupHeap.h"
#include "app/SweptInstaller.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QPromise>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>
#include <sys/stat.h>

using Action = CommandLine::Action;

class AppLaunchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("beforeQt");  // Qt's own options may still be on the list
        QTest::addColumn<Action>("action");
        const QString staging = QStringLiteral("https://staging.example:8443/api/apps.json");
        QTest::newRow("nothing") << QStringList{} << false << Action::Run;
        QTest::newRow("help") << QStringList{"--help-all"} << false << Action::PrintHelp;
        QTest::newRow("version") << QStringList{"-v"} << false << Action::PrintVersion;
        QTest::newRow("staging server") << QStringList{"--catalogue-url", staging, "--trust-ca", TestCertificates::caFile()}
                                        << false << Action::Run;
        QTest::newRow("plain http") << QStringList{"--catalogue-url", "http://staging.example/"} << false << Action::Fail;
        QTest::newRow("no host") << QStringList{"--catalogue-url", "https:///api/apps.json"} << false << Action::Fail;
        QTest::newRow("missing authority") << QStringList{"--trust-ca", "/nonexistent/ca.pem"} << false << Action::Fail;
        QTest::newRow("not a certificate") << QStringList{"--trust-ca", QStringLiteral(__FILE__)} << false << Action::Fail;
        QTest::newRow("unknown option") << QStringList{"--bogus"} << false << Action::Fail;
        QTest::newRow("stray argument") << QStringList{"photolab"} << false << Action::Fail;
        QTest::newRow("Qt's options before Qt") << QStringList{"-platform", "offscreen", "--catalogue-url", staging} << true
                                                << Action::Run;
        QTest::newRow("a bad URL before Qt") << QStringList{"-reverse", "--catalogue-url", "http://x/"} << true
                                             << Action::Fail;
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, beforeQt);
        QFETCH(Action, action);
        const CommandLine line = CommandLine::parse(QStringList{"veltrane-hub"} + arguments,
                                                    beforeQt ? CommandLine::Others::Ignore : CommandLine::Others::Refuse);
        QCOMPARE(line.action, action);
        QVERIFY(action == Action::Run || !line.text.isEmpty());
        if (action != Action::Run)
            return;
        const qsizetype url = arguments.indexOf("--catalogue-url");
        const qsizetype ca = arguments.indexOf("--trust-ca");
        VeltraneHubApp::Options options;
        line.applyTo(options);
        QCOMPARE(options.catalog.endpoint, url < 0 ? CatalogService::endpoint() : QUrl(arguments.value(url + 1)));
        QCOMPARE(options.catalog.extraCaFile, ca < 0 ? QString() : arguments.value(ca + 1));
        QCOMPARE(options.installer.extraCaFile, options.catalog.extraCaFile);
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
        const QFuture<bool> answered = QtConcurrent::run([&second] { return second.activateRunning("token-1"); });
        QVERIFY(raised.wait());
        QCOMPARE(raised.constFirst().constFirst().toByteArray(), QByteArray("token-1"));
        QTRY_VERIFY(answered.isFinished());
        QVERIFY(answered.result());
    }

    // Nothing of this run meets a leftover of an earlier one while the sweep removes it; a
    // download cancelled while it waits never starts.
    void operationsWaitForTheSweep()
    {
        const auto fake = std::make_shared<FakeInstaller>();
        QPromise<void> sweep;
        sweep.start();
        SweptInstaller installer(fake, sweep.future());
        CatalogApp notes, photo;
        notes.id = "notes";
        photo.id = "photo";
        const auto ignored = [](const AppInstaller::Step &) {};
        QCoro::Task<AppInstaller::Outcome<QString>> download = installer.download(notes, ignored);
        QCoro::Task<AppInstaller::Outcome<QString>> cancelled = installer.prefetch(photo, ignored);
        installer.cancelDownloads(photo.id);
        QTest::qWait(20);
        QVERIFY(fake->downloads.isEmpty());

        sweep.finish();
        QVERIFY(QCoro::waitFor(std::move(download)).ok());
        QCOMPARE(QCoro::waitFor(std::move(cancelled)).failure().kind, AppInstaller::Failure::Kind::Cancelled);
        QCOMPARE(fake->downloads, QStringList{"notes"});
    }

    // The heap's reserve comes without its pages; faulting it in on a worker brings them all.
    void startupHeapReserve()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer's allocator keeps no heap of glibc's");
#endif
        StartupHeap::reserve();
        const auto restore = qScopeGuard([] { StartupHeap::release(); });
        // Grow the heap once: the growth brings the reserve.
        char *const before = static_cast<char *>(sbrk(0));
        std::vector<void *> blocks;
        while (static_cast<char *>(sbrk(0)) == before && blocks.size() < 4096)
            blocks.push_back(std::malloc(16 * 1024));
        for (void *block : blocks)
            std::free(block);
        // Whole pages of the reserve, below the heap's end.
        const auto pageSize = std::uintptr_t(sysconf(_SC_PAGESIZE));
        const std::uintptr_t end = std::uintptr_t(sbrk(0)) & ~(pageSize - 1);
        const size_t length = 2 << 20;
        const auto resident = [&] {
            std::vector<unsigned char> pages(length / pageSize);
            if (mincore(reinterpret_cast<void *>(end - length), length, pages.data()) != 0)
                return size_t(0);
            return size_t(std::count_if(pages.begin(), pages.end(), [](unsigned char page) { return page & 1; }));
        };
        QCOMPARE_LT(resident(), length / pageSize);

        QtConcurrent::run(&StartupHeap::prefault).waitForFinished();
        QCOMPARE(resident(), length / pageSize);
    }

    // Offline, the window reaches its catalogue without Qt Quick Controls (the menus and dialogs
    // load them on first use) and without TLS (the catalogue's host does not resolve, so no
    // secure connection is ever begun): either would cost every start tens of milliseconds.
    void offlineStartLoadsNeitherControlsNorTls()
    {
        if (QProcess::execute(QStringLiteral("unshare"), {"-rn", "true"}) != 0)
            QSKIP("no network namespace of its own here");
        QTemporaryDir home;
        QDir().mkpath(home.filePath("runtime"));
        QFile::setPermissions(home.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
            environment.insert(name, home.path());
        environment.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
        environment.insert("QT_QUICK_BACKEND", "software");
        // Any time: only the probe's report of the catalogue's frame is read.
        environment.insert("VELTRANE_STARTUP_T0_NS", "0");
        QProcess hub;
        hub.setProcessEnvironment(environment);
        hub.start(QStringLiteral("unshare"), {"-rn", "--", QStringLiteral(HUB_PROGRAM)});
        QVERIFY(hub.waitForStarted());
        const auto stop = qScopeGuard([&hub] { hub.kill(); hub.waitForFinished(); });
        QByteArray output;
        const auto shown = [&] { return (output += hub.readAllStandardOutput()).contains("catalogue_frame_ms"); };
        QTRY_VERIFY_WITH_TIMEOUT(shown() || hub.state() != QProcess::Running, 60000);
        QVERIFY2(shown(), hub.readAllStandardError().constData());

        QFile maps(QStringLiteral("/proc/%1/maps").arg(hub.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6Quick.so"));
        for (const char *library : {"libQt6QuickControls2", "libQt6QuickTemplates2", "/libssl.so", "/libcrypto.so"})
            QVERIFY2(!mapped.contains(library), library);
    }

    void terminationQuits()
    {
        const QuitSignals quitSignals;
        QTimer::singleShot(0, [] { ::raise(SIGTERM); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    // Catalogue images: only https is ever asked for (a FIFO would hang the reader), no answer
    // is taken past the cap, whether or not it announces its length, and nothing is asked of a
    // host whose name did not resolve a moment ago; a refusal says why.
    void imageNetwork_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("announced");
        QTest::addColumn<QNetworkReply::NetworkError>("error");
        const qint64 over = ImageNetworkFactory::maxBytes + 1;
        QTest::newRow("small") << "https" << qint64(1000) << true << QNetworkReply::NoError;
        QTest::newRow("plain http") << "http" << qint64(1000) << true << QNetworkReply::ProtocolUnknownError;
        QTest::newRow("a FIFO") << "file" << qint64(0) << true << QNetworkReply::ProtocolUnknownError;
        QTest::newRow("too large") << "https" << over << true << QNetworkReply::OperationCanceledError;
        QTest::newRow("too large, no length") << "https" << over << false << QNetworkReply::OperationCanceledError;
        QTest::newRow("host unresolved") << "unresolved" << qint64(1000) << true << QNetworkReply::HostNotFoundError;
    }
    void imageNetwork()
    {
        QFETCH(QString, scheme);
        QFETCH(qint64, size);
        QFETCH(bool, announced);
        TestHttpsServer server;
        TestHttpsServer::Route route = TestHttpsServer::Route::generated(size);
        route.omitContentLength = !announced;
        server.route("/image.png", route);
        QUrl url = server.url("/image.png");
        url.setScheme(scheme);
        QTemporaryDir dir;
        if (scheme == "unresolved") {
            url.setScheme("https");
            UnresolvedHosts::record(url.host(), false);
        }
        const auto forget = qScopeGuard([&url] { UnresolvedHosts::record(url.host(), true); });
        if (scheme == "file") {
            url = QUrl::fromLocalFile(dir.filePath("fifo"));
            QCOMPARE(mkfifo(qPrintable(url.toLocalFile()), 0600), 0);
        }
        ImageNetworkFactory factory(TestCertificates::caFile());
        const std::unique_ptr<QNetworkAccessManager> manager(factory.create(nullptr));
        const std::unique_ptr<QNetworkReply> reply(manager->get(QNetworkRequest(url)));
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 60000);
        QTEST(reply->error(), "error");
        if (reply->error() == QNetworkReply::NoError)
            QCOMPARE(reply->readAll(), TestHttpsServer::generatedBytes(size));
        // A refusal says why, as the image's warning shows it.
        if (scheme == "http" || scheme == "file")
            QCOMPARE(reply->errorString(), "Only https images are loaded");
        if (scheme == "unresolved")
            QCOMPARE(reply->errorString(), "Host " + url.host() + " not found");
    }
};

QTEST_GUILESS_MAIN(AppLaunchTest)
#include "tst_app_launch.moc"
