// The update coordinator against a stand-in installer: the states each action leaves, what the
// store is told, the apps it waits for, and that every change happens on the window's thread.
#include "FakeInstaller.h"
#include "state/UpdateCoordinator.h"

#include <QTest>
#include <QThread>

using State = UpdateCoordinator::State;
using Step = AppInstaller::Step;
using Failure = AppInstaller::Failure;
using Told = std::optional<std::pair<QString, QString>>;

Q_DECLARE_METATYPE(std::optional<AppInstaller::Failure>)

namespace {

CatalogApp catalogApp(const QString &id, bool hasBundleID = true, bool hasDownload = true)
{
    CatalogApp app;
    std::tie(app.id, app.name, app.version) = std::tuple(id, id, QStringLiteral("2.0"));
    if (hasBundleID)
        app.bundleID = QStringLiteral("com.example.") + id;
    if (hasDownload)
        app.downloadURL = QUrl(QStringLiteral("https://example.com/%1.dmg").arg(id));
    return app;
}

class FakeRunningApps : public RunningApps {
public:
    QSet<QString> running;
    QList<qint64> processes(const QString &id) const override { return running.contains(id) ? QList<qint64>{4242} : QList<qint64>{}; }
};

class FakeInstalledApps : public InstalledApps {
public:
    QHash<QString, InstalledApp> copies;
    std::optional<InstalledApp> find(const QString &id) const override { return copies.contains(id) ? std::optional(copies.value(id)) : std::nullopt; }
};

} // namespace

class UpdateCoordinatorTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeInstaller> m_installer;
    std::shared_ptr<FakeRunningApps> m_running;
    std::shared_ptr<FakeInstalledApps> m_installed;
    std::unique_ptr<UpdateCoordinator> m_coordinator;
    QList<QPair<QString, State>> m_states;  // every change, in order
    QList<Told> m_told;
    int m_offThread = 0;

    UpdateCoordinator &coordinator() { return *m_coordinator; }

    QList<State> statesOf(const QString &appID) const
    {
        QList<State> seen;
        for (const auto &[id, state] : m_states)
            if (id == appID)
                seen.append(state);
        return seen;
    }

    void noteThread()
    {
        if (QThread::currentThread() != thread())
            ++m_offThread;
    }

    // An installed copy the coordinator may move to the Trash.
    QString placeInstalledCopy(const CatalogApp &app)
    {
        const QString location = FakeInstaller::bundleOf(app);
        m_installed->copies.insert(*app.bundleID, {*app.bundleID, QStringLiteral("1.0"), location});
        return location;
    }

private Q_SLOTS:
    void init()
    {
        m_installer = std::make_shared<FakeInstaller>();
        m_running = std::make_shared<FakeRunningApps>();
        m_installed = std::make_shared<FakeInstalledApps>();
        DesktopServices services{m_running, std::make_shared<AppLauncher>(QString())};
        m_coordinator = std::make_unique<UpdateCoordinator>(m_installer, services, m_installed);
        UpdateCoordinator *c = m_coordinator.get();
        connect(c, &UpdateCoordinator::stateChanged, this, [this, c](const QString &appID) {
            noteThread();
            m_states.append({appID, c->state(catalogApp(appID))});
        });
        connect(c, &UpdateCoordinator::appToQuitFirstChanged, this, [this] { noteThread(); });
        c->setOnInstalled([this](const Told &installed) {
            noteThread();
            m_told.append(installed);
        });
    }

    void cleanup()
    {
        m_coordinator.reset();
        QCOMPARE(m_offThread, 0);
        m_offThread = 0;
        m_states.clear();
        m_told.clear();
    }

    // Install, uninstall and going back wait until the running copy quits; the alert can be
    // cleared and the action pressed again.
    void actionsWaitForTheRunningCopy_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("install") << "install";
        QTest::newRow("uninstall") << "uninstall";
        QTest::newRow("go back") << "go back";
    }

    void actionsWaitForTheRunningCopy()
    {
        QFETCH(QString, action);
        const CatalogApp app = catalogApp(QStringLiteral("foo"));
        placeInstalledCopy(app);
        m_installer->kept.insert(app.id, QStringLiteral("1.0"));
        m_running->running.insert(*app.bundleID);
        const auto press = [&] {
            action == "install" ? coordinator().install(app) : action == "uninstall" ? coordinator().uninstall(app)
                                                                                     : coordinator().goBack(app);
        };
        press();
        QCOMPARE(coordinator().appToQuitFirst(), app);
        QTest::qWait(0);
        QVERIFY(m_states.isEmpty());
        QVERIFY(m_installer->downloads.isEmpty() && m_installer->uninstalls.isEmpty() && m_installer->goneBack.isEmpty());

        coordinator().clearAppToQuitFirst();
        QVERIFY(!coordinator().hasAppToQuitFirst());
        m_running->running.clear();
        press();
        QVERIFY(!coordinator().hasAppToQuitFirst());
        QTRY_COMPARE(m_told.size(), 1);
    }

    // Installing shows Installing, then the outcome; the store hears of the installed bundle
    // once. Progress from the installer's threads must not show either.
    // Rows named "go back" put back the copy an update replaced instead of installing.
    void install_data()
    {
        QTest::addColumn<bool>("cached");
        QTest::addColumn<bool>("hasBundleID");
        QTest::addColumn<bool>("hasDownload");
        QTest::addColumn<std::optional<Failure>>("downloadFailure");
        QTest::addColumn<std::optional<Failure>>("installFailure");
        QTest::addColumn<QString>("failure");  // empty: installed
        const std::optional<Failure> none, refusal = Failure::of(Failure::Kind::NotSignedByUs, "Unexpected developer.");
        const QString refused = "Refused: the download is not signed by Veltrane. Unexpected developer.";
        QTest::newRow("cached image") << true << true << true << none << none << "";
        QTest::newRow("download first") << false << true << true << none << none << "";
        QTest::newRow("app without bundle identifier") << true << false << true << none << none << "";
        // Even a cached image is not installed without a link.
        QTest::newRow("no download link") << true << true << false << none << none << "This app has no download link yet.";
        QTest::newRow("download refused") << false << true << true << std::optional(Failure::httpStatus(404)) << none
                                          << "Download failed (HTTP 404).";
        QTest::newRow("signature refused") << false << true << true << none << refusal << refused;
        QTest::newRow("go back") << false << true << true << none << none << "";
        QTest::newRow("go back, kept copy refused") << false << true << true << none << refusal << refused;
    }

    void install()
    {
        QFETCH(bool, cached);
        QFETCH(bool, hasBundleID);
        QFETCH(bool, hasDownload);
        QFETCH(std::optional<Failure>, downloadFailure);
        QFETCH(std::optional<Failure>, installFailure);
        QFETCH(QString, failure);
        const bool back = QByteArray(QTest::currentDataTag()).startsWith("go back");
        const CatalogApp app = catalogApp(QStringLiteral("foo"), hasBundleID, hasDownload);
        if (cached)
            m_installer->cached.insert(app.id);
        if (downloadFailure)
            m_installer->downloadFailures.insert(app.id, *downloadFailure);
        if (installFailure)
            m_installer->installFailures.insert(app.id, *installFailure);
        if (back)
            m_installer->kept.insert(app.id, QStringLiteral("1.0"));
        m_installer->reportFromAnotherThread = true;

        back ? coordinator().goBack(app) : coordinator().install(app);
        const State done = failure.isEmpty() ? State::installed(FakeInstaller::bundleOf(app)) : State::failed(failure);
        QTRY_COMPARE(coordinator().state(app), done);
        QTest::qWait(0);  // late reports have arrived too: none undoes it
        const QList<State> states = hasDownload ? QList<State>{State::installing(), done} : QList<State>{done};
        QCOMPARE(statesOf(app.id), states);
        QCOMPARE(m_installer->installs.isEmpty(), back || !hasDownload || downloadFailure.has_value());
        const Told told = hasBundleID ? Told(std::pair(*app.bundleID, done.location)) : std::nullopt;
        QCOMPARE(m_told, failure.isEmpty() ? QList<Told>{told} : QList<Told>());
        QCOMPARE(coordinator().keptVersion(app), back && !failure.isEmpty() ? QStringLiteral("1.0") : QString());
    }

    // A late download report never undoes verifying or installing; a new download follows a finish.
    void stepsChangeTheState()
    {
        const QString at = QStringLiteral("/Applications/Foo.app");
        const std::pair<QList<Step>, State> cases[] = {
            {{Step::downloading(0.25), Step::downloading(0.5)}, State::downloading(0.5)},
            {{Step::downloading(1), Step::verifying()}, State::installing()},
            {{Step::installing(), Step::downloading(0.9)}, State::installing()},
            {{Step::installing(), Step::finished(at)}, State::installed(at)},
            {{Step::finished(at), Step::downloading(0.1)}, State::downloading(0.1)}};
        int apps = 0;
        for (const auto &[steps, expected] : cases) {
            const CatalogApp app = catalogApp(QString::number(++apps));  // a fresh app each
            for (const Step &step : steps)
                coordinator().apply(step, app.id);
            QCOMPARE(coordinator().state(app), expected);
        }
    }

    // Pre-downloading: a cached image is ready at once, an app without a link is left alone, a
    // second pre-download of a running one starts nothing, and a failed one can be retried.
    void prefetchDownloadsEachImageOnce()
    {
        const CatalogApp cached = catalogApp(QStringLiteral("cached")), noLink = catalogApp(QStringLiteral("nolink"), true, false),
                         held = catalogApp(QStringLiteral("held")), failing = catalogApp(QStringLiteral("failing"));
        m_installer->cached.insert(cached.id);
        m_installer->held.insert(held.id);
        m_installer->downloadFailures.insert(failing.id, Failure::httpStatus(500));
        coordinator().prefetch({cached, noLink, held, failing});
        QCOMPARE(coordinator().state(cached), State::ready());
        QCOMPARE(coordinator().state(noLink), State::idle());
        QCOMPARE(coordinator().state(held), State::downloading(0));
        QTRY_COMPARE(coordinator().state(failing), State::failed(QStringLiteral("Download failed (HTTP 500).")));
        QTRY_COMPARE(coordinator().state(held), State::downloading(0.5));

        coordinator().prefetch({held});
        m_installer->release(held.id);
        QTRY_COMPARE(coordinator().state(held), State::ready());
        m_installer->progressOf[held.id](Step::downloading(1.0));  // a report that comes late
        QTest::qWait(0);
        QCOMPARE(coordinator().state(held), State::ready());

        m_installer->downloadFailures.clear();
        coordinator().prefetch({failing});
        QCOMPARE(coordinator().state(failing), State::downloading(0));
        QTRY_COMPARE(coordinator().state(failing), State::ready());
        QCOMPARE(m_installer->downloads,
                 QStringList({"held prefetch", "failing prefetch", "failing prefetch"}));
        QVERIFY(m_installer->installs.isEmpty());
        QVERIFY(m_told.isEmpty());
    }

    void coordinatorMayGoWhileWorkRuns()
    {
        const CatalogApp app = catalogApp(QStringLiteral("foo"));
        m_installer->held.insert(app.id);
        coordinator().prefetch({app});
        QTest::qWait(0);
        const qsizetype changes = m_states.size();

        // Gone while the download runs: the download ends all the same, its reports and
        // result find nobody.
        m_coordinator.reset();
        m_installer->release(app.id);
        QTRY_VERIFY(m_installer->cached.contains(app.id));
        QTest::qWait(0);
        QCOMPARE(m_states.size(), changes);
    }

    // A pre-download ending while its app installs leaves the install's state, and one asked
    // for meanwhile neither downloads nor changes anything.
    void prefetchDuringAnInstallKeepsItsState_data()
    {
        QTest::addColumn<bool>("prefetchFirst");
        QTest::addColumn<bool>("prefetchFails");
        QTest::newRow("pre-download succeeds during the install") << true << false;
        QTest::newRow("pre-download fails during the install") << true << true;
        QTest::newRow("pre-download asked for during the install") << false << false;
    }

    void prefetchDuringAnInstallKeepsItsState()
    {
        QFETCH(bool, prefetchFirst);
        QFETCH(bool, prefetchFails);
        const CatalogApp app = catalogApp(QStringLiteral("foo"));
        m_installer->held.insert(app.id);
        QList<State> expected = {State::installing(), State::installed(FakeInstaller::bundleOf(app))};
        if (prefetchFirst) {
            coordinator().prefetch({app});
            QVERIFY(coordinator().isPrefetching(app));
            QVERIFY(!coordinator().isBusy(app));
            QTRY_COMPARE(coordinator().state(app), State::downloading(0.5));
            expected = QList<State>{State::downloading(0), State::downloading(0.5)} + expected;
        }
        coordinator().install(app);
        coordinator().install(app);  // a second press: one install puts the app in place
        QVERIFY(coordinator().isBusy(app));
        QVERIFY(!coordinator().isPrefetching(app));
        if (prefetchFails) {
            m_installer->downloadFailures.insert(app.id, Failure::httpStatus(500));
            expected.last() = State::failed(QStringLiteral("Download failed (HTTP 500)."));
        }
        coordinator().prefetch({app});
        m_installer->release(app.id);
        QTRY_VERIFY(!coordinator().isBusy(app));
        QTest::qWait(0);
        QCOMPARE(statesOf(app.id), expected);
        QCOMPARE(m_installer->downloads.size(), prefetchFirst ? 2 : 1);
    }

    void cancelReturnsToTheEarlierState_data()
    {
        QTest::addColumn<bool>("install");
        QTest::addColumn<bool>("quitting");
        QTest::newRow("pre-download") << false << false;
        QTest::newRow("install") << true << false;
        QTest::newRow("install joining a pre-download") << true << false;
        QTest::newRow("quitting") << true << true;
    }

    void cancelReturnsToTheEarlierState()
    {
        QFETCH(bool, install);
        QFETCH(bool, quitting);
        const CatalogApp app = catalogApp(QStringLiteral("foo"));
        const State before = State::failed(QStringLiteral("Download failed (HTTP 503)."));
        m_installer->downloadFailures.insert(app.id, Failure::httpStatus(503));
        coordinator().prefetch({app});
        QTRY_COMPARE(coordinator().state(app), before);
        m_installer->downloadFailures.clear();
        m_installer->held.insert(app.id);
        if (!install || QByteArray(QTest::currentDataTag()).contains("joining"))
            coordinator().prefetch({app});
        if (install)
            coordinator().install(app);
        QTRY_VERIFY(coordinator().hasTransfer(app.id));

        if (quitting)
            coordinator().cancelAll();
        else
            coordinator().cancel(app);
        QTRY_COMPARE(coordinator().state(app), before);
        QTRY_VERIFY(!coordinator().hasTransfer(app.id));
        QVERIFY(!coordinator().isBusy(app) && !coordinator().isPrefetching(app));
        QVERIFY(m_installer->installs.isEmpty());
    }

    // Reports arriving faster than the window redraws reach it as one record per interval;
    // the last shows the whole image, and the record goes with the download.
    void transferRecordsFollowTheDownload()
    {
        const CatalogApp app = catalogApp(QStringLiteral("foo"));
        m_installer->held.insert(app.id);
        m_installer->reportsPerDownload = 50;
        QList<qint64> records;
        connect(&coordinator(), &UpdateCoordinator::transferChanged, this, [&](const QString &appID) {
            records << (coordinator().hasTransfer(appID) ? coordinator().transfer(appID).received : -1);
        });
        coordinator().install(app);
        QTRY_COMPARE(records, (QList<qint64>{10, 500}));
        QCOMPARE(coordinator().transfer(app.id).total, 1000);
        m_installer->release(app.id);
        QTRY_COMPARE(records, (QList<qint64>{10, 500, 1000, -1}));
        QTRY_COMPARE(coordinator().state(app), State::installed(FakeInstaller::bundleOf(app)));
    }

    void transferText()
    {
        const UpdateTransfer known{12'300'000, 300'000'000, 4'100'000, 70};
        QCOMPARE(known.text(QLocale("en_US")), "12.3 MB of 300 MB · 4.1 MB/s · about 1 min left");
        QCOMPARE(known.text(QLocale("de_DE")), "12,3 MB of 300 MB · 4,1 MB/s · about 1 min left");
        QCOMPARE((UpdateTransfer{512, -1, 0, -1}.text(QLocale("en_US"))), "512 bytes");  // no length
        QCOMPARE((UpdateTransfer{1'000'000, 9'000'000'000, 800'000, 11'000}.text(QLocale("en_US"))),
                 "1.0 MB of 9.0 GB · 800 kB/s · about 3 h left");
    }

    void uninstall_data()
    {
        QTest::addColumn<bool>("hasBundleID");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("failure");
        QTest::newRow("moved to the Trash") << true << true << "";
        QTest::newRow("the Trash refuses")
            << true << true << "Could not move “foo.app” to the Trash: Permission denied";
        QTest::newRow("no bundle identifier: nothing to do") << false << true << "";
        QTest::newRow("not installed: nothing to do") << true << false << "";
    }

    void uninstall()
    {
        QFETCH(bool, hasBundleID);
        QFETCH(bool, installed);
        QFETCH(QString, failure);
        const CatalogApp app = catalogApp(QStringLiteral("foo"), hasBundleID);
        const QString location = FakeInstaller::bundleOf(app);
        if (hasBundleID && installed)
            placeInstalledCopy(app);
        if (!failure.isEmpty())
            m_installer->uninstallFailure = Failure::other(failure);
        coordinator().apply(Step::finished(location), app.id);
        m_states.clear();

        coordinator().uninstall(app);
        const bool asked = hasBundleID && installed, trashed = asked && failure.isEmpty();
        QCOMPARE(m_installer->uninstalls, asked ? QStringList{*app.bundleID + QLatin1Char(' ') + location} : QStringList());
        QCOMPARE(coordinator().state(app), State::installed(location));  // until the Trash answers
        QTRY_COMPARE(coordinator().state(app), trashed ? State::idle() : asked ? State::failed(failure) : State::installed(location));
        QTRY_COMPARE(m_installer->discarded, trashed ? QStringList{app.id} : QStringList());
        QTest::qWait(0);
        QCOMPARE(m_told, trashed ? QList<Told>{Told()} : QList<Told>());
        QCOMPARE(m_states.isEmpty(), !asked);
    }
};

QTEST_GUILESS_MAIN(UpdateCoordinatorTest)
#include "tst_update_coordinator.moc"
