#include "TestBundles.h"
#include "model/UpdateCoordinator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using State = UpdateCoordinator::State;
using Step = UpdateInstaller::Step;
using InstalledPair = std::optional<std::pair<QString, QString>>;

Q_DECLARE_METATYPE(QList<Step>)

namespace {

CatalogApp catalogApp(const QString &id, const std::optional<QString> &bundleID,
                      const std::optional<QUrl> &downloadURL, const QString &version = QStringLiteral("2.0"))
{
    CatalogApp app;
    app.id = id;
    app.name = id;
    app.bundleID = bundleID;
    app.version = version;
    app.downloadURL = downloadURL;
    return app;
}

} // namespace

class UpdateCoordinatorTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Locations m_locations;
    std::unique_ptr<UpdateCoordinator> m_coordinator;
    QList<QProcess *> m_processes;
    // What the coordinator told, in order.
    QList<QPair<QString, State>> m_states;
    QList<InstalledPair> m_installed;
    int m_offThreadNotifications = 0;

    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    void checkThread()
    {
        if (QThread::currentThread() != qApp->thread())
            ++m_offThreadNotifications;
    }

    UpdateCoordinator &coordinator()
    {
        if (!m_coordinator)
            makeCoordinator();
        return *m_coordinator;
    }

    void makeCoordinator(UpdateInstaller::Options options = {})
    {
        options.locations = m_locations;
        m_coordinator = std::make_unique<UpdateCoordinator>(UpdateInstaller(options),
                                                            DesktopServices::forUser(m_locations));
        UpdateCoordinator *c = m_coordinator.get();
        connect(c, &UpdateCoordinator::stateChanged, this, [this, c](const QString &appID) {
            checkThread();
            m_states.append({appID, c->states().value(appID).value<State>()});
        });
        connect(c, &UpdateCoordinator::statesChanged, this, [this] { checkThread(); });
        connect(c, &UpdateCoordinator::appToQuitFirstChanged, this, [this] { checkThread(); });
        c->onInstalled = [this](const InstalledPair &installed) {
            checkThread();
            m_installed.append(installed);
        };
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

    // A program of the app running from a bundle in the user's Applications folder.
    QProcess *startRunningCopy(const QString &bundleID)
    {
        const QString bundle = TestBundles::make(m_locations.homeApplications(), QStringLiteral("Running"),
                                                 bundleID, QStringLiteral("running"));
        auto *process = new QProcess(this);
        m_processes.append(process);
        process->start(TestBundles::copyProgram(bundle, QStringLiteral("running")), {QStringLiteral("30")});
        return process->waitForStarted() ? process : nullptr;
    }

    void cacheImage(const CatalogApp &app)
    {
        QFile file(UpdateInstaller(UpdateInstaller::Options{m_locations, {}, {}, {}, {}})
                       .cachedDMG(app.id, app.version));
        QVERIFY(file.open(QIODevice::WriteOnly));
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
        QCOMPARE(m_offThreadNotifications, 0);
        m_offThreadNotifications = 0;
        m_states.clear();
        m_installed.clear();
        m_dir.reset();
    }

    void untouchedAppIsIdle()
    {
        const CatalogApp app = catalogApp(QStringLiteral("foo"), QStringLiteral("com.example.foo"), QUrl());
        QCOMPARE(coordinator().state(app), State::idle());
        QVERIFY(coordinator().states().isEmpty());
        QVERIFY(!coordinator().hasAppToQuitFirst());
    }

    void installWaitsUntilTheRunningCopyQuits()
    {
        const CatalogApp app = catalogApp(QStringLiteral("foo"), QStringLiteral("com.example.foo"),
                                          QUrl(QStringLiteral("https://127.0.0.1:1/foo.dmg")));
        QProcess *running = startRunningCopy(*app.bundleID);
        QVERIFY(running);
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
        running->kill();
        running->waitForFinished();
        coordinator().install(app);
        QVERIFY(!coordinator().hasAppToQuitFirst());
        QCOMPARE(coordinator().state(app), State::installing());
        QTRY_VERIFY(coordinator().state(app).kind != State::Kind::Installing);
    }

    void appWithoutDownloadLinkFailsAtOnce()
    {
        const CatalogApp app = catalogApp(QStringLiteral("foo"), QStringLiteral("com.example.foo"), std::nullopt);
        cacheImage(app);  // even a cached image is not used without a link
        coordinator().install(app);
        QCOMPARE(coordinator().state(app), State::failed(QStringLiteral("This app has no download link yet.")));
        // No task: nothing else happens to the app.
        QCoreApplication::processEvents();
        QTest::qWait(0);
        QCOMPARE(statesOf(app.id), QList<State>{coordinator().state(app)});
        QVERIFY(m_installed.isEmpty());
    }

    void stepsChangeTheState_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<State>("expected");
        const QString at = QStringLiteral("/Applications/Foo.app");
        QTest::newRow("download") << QList<Step>{Step::downloading(0.25)} << State::downloading(0.25);
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
        QCOMPARE(coordinator().states().value(app.id).value<State>(), expected);
    }

    void statesNotifyOnlyOnChange()
    {
        QSignalSpy changed(&coordinator(), &UpdateCoordinator::statesChanged);
        coordinator().apply(Step::verifying(), QStringLiteral("foo"));
        coordinator().apply(Step::installing(), QStringLiteral("foo"));
        coordinator().apply(Step::downloading(0.5), QStringLiteral("foo"));
        QCOMPARE(changed.size(), 1);
    }

    void prefetchOfACachedImageIsReadyAtOnce()
    {
        const CatalogApp app = catalogApp(QStringLiteral("foo"), QStringLiteral("com.example.foo"),
                                          QUrl(QStringLiteral("https://127.0.0.1:1/foo.dmg")));
        const CatalogApp noLink = catalogApp(QStringLiteral("bar"), QStringLiteral("com.example.bar"), std::nullopt);
        cacheImage(app);
        coordinator().prefetchApps({QVariant::fromValue(app), QVariant::fromValue(noLink)});
        QCOMPARE(coordinator().state(app), State::ready());
        QCOMPARE(coordinator().state(noLink), State::idle());
    }
};

QTEST_GUILESS_MAIN(UpdateCoordinatorTest)
#include "tst_update_coordinator.moc"
