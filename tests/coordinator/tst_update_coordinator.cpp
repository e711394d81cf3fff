#include "TestBundles.h"
#include "TestCertificates.h"
#include "TestFiles.h"
#include "TestHttpsServer.h"
#include "TestTools.h"
#include "state/UpdateCoordinator.h"
#include "platform/DesktopEntries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using State = UpdateCoordinator::State;
using Step = UpdateInstaller::Step;
using Told = std::optional<std::pair<QString, QString>>;

Q_DECLARE_METATYPE(QList<Step>)

namespace {

const QString team = QStringLiteral("TESTTEAM01");
constexpr int slowWorkMs = 60000;  // an upper bound for installs under the sanitizers, not a timing

CatalogApp catalogApp(const QString &id, const std::optional<QString> &bundleID, const std::optional<QUrl> &downloadURL)
{
    CatalogApp app;
    app.id = id;
    app.name = id;
    app.bundleID = bundleID;
    app.version = QStringLiteral("2.0");
    app.downloadURL = downloadURL;
    return app;
}

// Unique to this test process: the checks for running copies see every process of the
// machine, other tests' included.
QString bundleID(const QString &name)
{
    return QStringLiteral("com.example.%1.%2").arg(name).arg(QCoreApplication::applicationPid());
}

bool isBusy(const State &state)
{
    return state.kind == State::Kind::Installing || state.kind == State::Kind::Downloading;
}

} // namespace

class UpdateCoordinatorTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Locations m_locations;
    std::unique_ptr<TestHttpsServer> m_server;
    std::unique_ptr<UpdateCoordinator> m_coordinator;
    QList<QProcess *> m_processes;
    // What the coordinator told, in order, and whether it always told it on the window's thread.
    QList<QPair<QString, State>> m_states;
    QList<Told> m_told;
    int m_offThreadNotifications = 0;

    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    // The app most tests use: a bundle identifier and a download link on the test server.
    CatalogApp foo() const
    {
        return catalogApp(QStringLiteral("foo"), bundleID(QStringLiteral("foo")), m_server->url(QStringLiteral("/foo.dmg")));
    }

    void checkThread()
    {
        if (QThread::currentThread() != qApp->thread())
            ++m_offThreadNotifications;
    }

    UpdateInstaller::Options installerOptions() const
    {
        UpdateInstaller::Options options;
        options.locations = m_locations;
        options.tools = TestTools::write(path(QStringLiteral("tools")), team);
        options.teamIdentifier = team;
        options.extraCaFile = TestCertificates::caFile();
        return options;
    }

    UpdateCoordinator &coordinator()
    {
        if (m_coordinator)
            return *m_coordinator;
        m_coordinator = std::make_unique<UpdateCoordinator>(UpdateInstaller(installerOptions()),
                                                            DesktopServices::forUser(m_locations));
        UpdateCoordinator *c = m_coordinator.get();
        connect(c, &UpdateCoordinator::stateChanged, this, [this, c](const QString &appID) {
            checkThread();
            CatalogApp app;
            app.id = appID;
            m_states.append({appID, c->state(app)});
        });
        connect(c, &UpdateCoordinator::appToQuitFirstChanged, this, [this] { checkThread(); });
        c->setOnInstalled([this](const Told &installed) {
            checkThread();
            m_told.append(installed);
        });
        return *c;
    }

    QList<State> statesOf(const QString &appID) const
    {
        QList<State> seen;
        for (const auto &[id, state] : m_states) {
            if (id == appID)
                seen.append(state);
        }
        return seen;
    }

    // A folder standing for the mounted image of the app, with a bundle "<id>.app" in it.
    QString mountedImage(const CatalogApp &app)
    {
        const QString mountPoint = path(QStringLiteral("mounts/") + app.id);
        const QString bundle = TestBundles::make(mountPoint, app.id, app.bundleID.value_or(QString()),
                                                 QStringLiteral("run"), app.version);
        TestBundles::copyProgram(bundle, QStringLiteral("run"));
        return mountPoint;
    }

    QString cachedImagePath(const CatalogApp &app) const
    {
        return UpdateInstaller(installerOptions()).cachedDMG(app.id, app.version);
    }

    void cacheImage(const CatalogApp &app)
    {
        QFile file(cachedImagePath(app));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(TestTools::imageContent(mountedImage(app)));
    }

    QProcess *startProgram(const QString &program)
    {
        auto *process = new QProcess(this);
        m_processes.append(process);
        process->start(program, {QStringLiteral("30")});
        return process->waitForStarted() ? process : nullptr;
    }

    // An installed, registered copy of the app in the user's Applications folder, shown as
    // installed; returns its path.
    QString placeInstalledCopy(const CatalogApp &app)
    {
        const QString bundle = TestBundles::make(m_locations.homeApplications(), app.id,
                                                 *app.bundleID, QStringLiteral("run"));
        TestBundles::copyProgram(bundle, QStringLiteral("run"));
        if (!DesktopEntries::registerBundle(m_locations, bundle))
            return {};
        coordinator().apply(Step::finished(bundle), app.id);
        return bundle;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>(QDir::homePath() + QStringLiteral("/coordinator-XXXXXX"));
        QVERIFY(m_dir->isValid());
        m_locations = Locations{path(QStringLiteral("home")), path(QStringLiteral("data")), {},
                                path(QStringLiteral("Applications")), path(QStringLiteral("tmp"))};
        for (const QString &folder : {m_locations.home, m_locations.dataHome, m_locations.tempDir})
            QDir().mkpath(folder);
        m_server = std::make_unique<TestHttpsServer>();
    }

    void cleanup()
    {
        for (QProcess *process : std::as_const(m_processes)) {
            process->kill();
            process->waitForFinished();
        }
        qDeleteAll(m_processes);
        m_processes.clear();
        m_coordinator.reset();
        m_server.reset();
        QCOMPARE(m_offThreadNotifications, 0);
        m_offThreadNotifications = 0;
        m_states.clear();
        m_told.clear();
        m_dir.reset();
    }

    // Installing

    void installWaitsUntilTheRunningCopyQuits()
    {
        const CatalogApp app = foo();
        const QString running = TestBundles::make(m_locations.homeApplications(), QStringLiteral("Running"),
                                                  *app.bundleID, QStringLiteral("run"));
        QProcess *copy = startProgram(TestBundles::copyProgram(running, QStringLiteral("run")));
        QVERIFY(copy);
        cacheImage(app);
        QSignalSpy quitFirst(&coordinator(), &UpdateCoordinator::appToQuitFirstChanged);

        coordinator().install(app);
        QCOMPARE(coordinator().appToQuitFirst(), app);
        QCOMPARE(coordinator().property("appToQuitFirst").value<CatalogApp>(), app);
        QCOMPARE(quitFirst.size(), 1);
        QCOMPARE(coordinator().state(app), State::idle());
        QVERIFY(m_states.isEmpty());

        // The alert is dismissed, the user quits the app and presses again.
        coordinator().clearAppToQuitFirst();
        QVERIFY(!coordinator().hasAppToQuitFirst());
        QCOMPARE(quitFirst.size(), 2);
        copy->kill();
        copy->waitForFinished();
        coordinator().install(app);
        QVERIFY(!coordinator().hasAppToQuitFirst());
        QTRY_VERIFY_WITH_TIMEOUT(!isBusy(coordinator().state(app)), slowWorkMs);
        QCOMPARE(coordinator().state(app).kind, State::Kind::Installed);
    }

    void appWithoutDownloadLinkFailsAtOnce()
    {
        const CatalogApp app = catalogApp(QStringLiteral("foo"), bundleID(QStringLiteral("foo")), std::nullopt);
        cacheImage(app);  // even a cached image is not installed without a link
        coordinator().install(app);
        const State failed = State::failed(QStringLiteral("This app has no download link yet."));
        QCOMPARE(coordinator().state(app), failed);
        QTest::qWait(0);
        QCOMPARE(statesOf(app.id), QList<State>{failed});
        QVERIFY(m_told.isEmpty());
        QVERIFY(!QFileInfo::exists(m_locations.homeApplications() + QStringLiteral("/foo.app")));
    }

    void installShowsInstallingThenInstalled_data()
    {
        QTest::addColumn<bool>("cached");
        QTest::addColumn<bool>("hasBundleID");
        QTest::newRow("cached image") << true << true;
        QTest::newRow("download first") << false << true;
        QTest::newRow("app without bundle identifier") << true << false;
    }

    void installShowsInstallingThenInstalled()
    {
        QFETCH(bool, cached);
        QFETCH(bool, hasBundleID);
        const CatalogApp app = catalogApp(QStringLiteral("foo"),
                                          hasBundleID ? std::optional(bundleID(QStringLiteral("foo"))) : std::nullopt,
                                          m_server->url(QStringLiteral("/foo.dmg")));
        if (cached) {
            cacheImage(app);
        } else {
            // Several mebibytes, so the download reports progress on its way.
            m_server->route(QStringLiteral("/foo.dmg"),
                            TestHttpsServer::Route::ok(TestTools::imageContent(mountedImage(app), 3 << 20),
                                                       QByteArrayLiteral("application/octet-stream")));
        }

        coordinator().install(app);
        QCOMPARE(coordinator().state(app), State::installing());
        // The store is told last, after the finished step and the install's own result.
        QTRY_COMPARE_WITH_TIMEOUT(m_told.size(), 1, slowWorkMs);

        const State done = coordinator().state(app);
        QCOMPARE(done.kind, State::Kind::Installed);
        QVERIFY2(QFileInfo::exists(done.location + QStringLiteral("/Contents/Info.plist")), qPrintable(done.location));
        QCOMPARE(statesOf(app.id), (QList<State>{State::installing(), done}));
        QCOMPARE(m_server->requestCount(QStringLiteral("/foo.dmg")), cached ? 0 : 1);
        QVERIFY(QFileInfo::exists(cachedImagePath(app)));  // kept for a reinstall
        const Told told = hasBundleID ? Told(std::pair(*app.bundleID, done.location)) : std::nullopt;
        QCOMPARE(m_told, QList<Told>{told});
    }

    void stepsChangeTheState_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<State>("expected");
        const QString at = QStringLiteral("/Applications/Foo.app");
        QTest::newRow("download progresses")
            << QList<Step>{Step::downloading(0.25), Step::downloading(0.5)} << State::downloading(0.5);
        QTest::newRow("verifying") << QList<Step>{Step::downloading(1), Step::verifying()} << State::installing();
        QTest::newRow("installing") << QList<Step>{Step::installing()} << State::installing();
        QTest::newRow("late download report is dropped")
            << QList<Step>{Step::verifying(), Step::downloading(0.9)} << State::installing();
        QTest::newRow("finished") << QList<Step>{Step::installing(), Step::finished(at)} << State::installed(at);
        QTest::newRow("download after finish")
            << QList<Step>{Step::finished(at), Step::downloading(0.1)} << State::downloading(0.1);
    }

    void stepsChangeTheState()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(State, expected);
        const CatalogApp app = catalogApp(QStringLiteral("foo"), std::nullopt, std::nullopt);
        for (const Step &step : steps)
            coordinator().apply(step, app.id);
        QCOMPARE(coordinator().state(app), expected);
    }

    void statesNotifyOnlyOnChange()
    {
        QSignalSpy changed(&coordinator(), &UpdateCoordinator::stateChanged);
        coordinator().apply(Step::verifying(), QStringLiteral("foo"));
        coordinator().apply(Step::installing(), QStringLiteral("foo"));
        coordinator().apply(Step::downloading(0.5), QStringLiteral("foo"));
        QCOMPARE(changed.size(), 1);
    }

    // Pre-downloading

    void prefetchOfACachedImageIsReadyAtOnce()
    {
        const CatalogApp app = foo();
        const CatalogApp noLink = catalogApp(QStringLiteral("bar"), bundleID(QStringLiteral("bar")), std::nullopt);
        cacheImage(app);
        coordinator().prefetch({app, noLink});
        QCOMPARE(coordinator().state(app), State::ready());
        QCOMPARE(coordinator().state(noLink), State::idle());
        QTest::qWait(0);
        QVERIFY(m_server->requests().isEmpty());
    }

    void secondPrefetchDuringADownloadDoesNothing()
    {
        const CatalogApp app = foo();
        // The server answers only when the test lets it, so the download is surely in flight.
        auto gate = std::make_shared<QSemaphore>();
        m_server->route(QStringLiteral("/foo.dmg"), [gate](const TestHttpsServer::Request &) {
            gate->acquire();
            return TestHttpsServer::Route::ok(QByteArrayLiteral("image"), QByteArrayLiteral("application/octet-stream"));
        });

        coordinator().prefetch({app});
        QCOMPARE(coordinator().state(app), State::downloading(0));
        QTRY_COMPARE(m_server->requestCount(QStringLiteral("/foo.dmg")), 1);
        const qsizetype changes = m_states.size();
        coordinator().prefetch({app});
        QCOMPARE(m_states.size(), changes);

        gate->release();
        QTRY_COMPARE_WITH_TIMEOUT(coordinator().state(app), State::ready(), slowWorkMs);
        QCOMPARE(m_server->requestCount(QStringLiteral("/foo.dmg")), 1);
        QCOMPARE(TestFiles::read(cachedImagePath(app)), QByteArray("image"));
        QVERIFY(m_told.isEmpty());  // nothing was installed
    }

    void failedPrefetchCanBeRetried()
    {
        const CatalogApp app = foo();
        m_server->route(QStringLiteral("/foo.dmg"), TestHttpsServer::Route::withStatus(500));
        coordinator().prefetch({app});
        const State failed = State::failed(QStringLiteral("Download failed (HTTP 500)."));
        QTRY_COMPARE_WITH_TIMEOUT(coordinator().state(app), failed, slowWorkMs);

        m_server->route(QStringLiteral("/foo.dmg"),
                        TestHttpsServer::Route::ok(QByteArrayLiteral("image"), QByteArrayLiteral("application/octet-stream")));
        coordinator().prefetch({app});
        QCOMPARE(coordinator().state(app), State::downloading(0));
        QTRY_COMPARE_WITH_TIMEOUT(coordinator().state(app), State::ready(), slowWorkMs);
        QCOMPARE(m_server->requestCount(QStringLiteral("/foo.dmg")), 2);
    }

    void coordinatorMayGoWhileWorkRuns()
    {
        const CatalogApp app = foo();
        auto gate = std::make_shared<QSemaphore>();
        m_server->route(QStringLiteral("/foo.dmg"), [gate](const TestHttpsServer::Request &) {
            gate->acquire();
            return TestHttpsServer::Route::ok(QByteArray(2 << 20, 'x'), QByteArrayLiteral("application/octet-stream"));
        });
        coordinator().prefetch({app});
        QTRY_COMPARE(m_server->requestCount(QStringLiteral("/foo.dmg")), 1);
        const qsizetype changes = m_states.size();

        // Gone while the download runs: the download ends all the same, its reports and
        // result find nobody.
        m_coordinator.reset();
        gate->release();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(cachedImagePath(app)), slowWorkMs);
        QTest::qWait(0);
        QCOMPARE(m_states.size(), changes);
    }

    // Uninstalling

    void uninstallPutsTheAppInTheTrash()
    {
        const CatalogApp app = foo();
        const QString location = placeInstalledCopy(app);
        QVERIFY(!location.isEmpty());

        coordinator().uninstall(app);
        QTRY_COMPARE_WITH_TIMEOUT(m_told.size(), 1, slowWorkMs);
        QCOMPARE(m_told.last(), Told());
        QCOMPARE(coordinator().state(app), State::idle());
        QVERIFY(!QFileInfo::exists(location));
        QVERIFY(DesktopEntries::bundlesWithIdentifier(m_locations, *app.bundleID).isEmpty());
        // In the Trash, from where it can be put back.
        QVERIFY(QFileInfo::exists(m_locations.dataHome + QStringLiteral("/Trash/files/")
                                  + QFileInfo(location).fileName() + QStringLiteral("/Contents/Info.plist")));
    }

    void uninstallOfNothingDoesNothing()
    {
        const CatalogApp noBundleID = catalogApp(QStringLiteral("foo"), std::nullopt, std::nullopt);
        const CatalogApp notInstalled = catalogApp(QStringLiteral("bar"), bundleID(QStringLiteral("bar")), std::nullopt);
        coordinator().uninstall(noBundleID);
        coordinator().uninstall(notInstalled);
        QTest::qWait(0);
        QVERIFY(m_states.isEmpty());
        QVERIFY(m_told.isEmpty());
        QVERIFY(!coordinator().hasAppToQuitFirst());
    }

    void uninstallWaitsUntilTheRunningCopyQuits()
    {
        const CatalogApp app = foo();
        const QString location = placeInstalledCopy(app);
        QVERIFY(!location.isEmpty());
        QVERIFY(startProgram(location + QStringLiteral("/Contents/MacOS/run")));

        coordinator().uninstall(app);
        QCOMPARE(coordinator().appToQuitFirst(), app);
        QTest::qWait(0);
        QVERIFY(QFileInfo::exists(location));
        QCOMPARE(coordinator().state(app), State::installed(location));
        QVERIFY(m_told.isEmpty());
    }

    void failedTrashLeavesTheAppInstalled()
    {
        const CatalogApp app = foo();
        const QString location = placeInstalledCopy(app);
        QVERIFY(!location.isEmpty());
        QDir().mkpath(m_locations.dataHome + QStringLiteral("/Trash"));
        QFile blocker(m_locations.dataHome + QStringLiteral("/Trash/files"));  // not a folder
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        coordinator().uninstall(app);
        QTRY_COMPARE_WITH_TIMEOUT(coordinator().state(app).kind, State::Kind::Failed, slowWorkMs);
        const QString expected = QStringLiteral("Could not move “%1” to the Trash: ").arg(QFileInfo(location).fileName());
        QVERIFY2(coordinator().state(app).message.startsWith(expected), qPrintable(coordinator().state(app).message));
        QVERIFY(QFileInfo::exists(location + QStringLiteral("/Contents/Info.plist")));
        QVERIFY(QDir(m_locations.dataHome + QStringLiteral("/Trash/info")).isEmpty());  // no stray record
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(m_locations, *app.bundleID), QStringList{location});
        QVERIFY(m_told.isEmpty());
    }
};

QTEST_GUILESS_MAIN(UpdateCoordinatorTest)
#include "tst_update_coordinator.moc"
