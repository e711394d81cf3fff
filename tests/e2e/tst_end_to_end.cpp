#include "app/VeltraneHubApp.h"
#include "platform/BundleInfo.h"
#include "platform/DesktopEntries.h"
#include "platform/RunningApps.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <memory>

namespace {

constexpr int kNetworkMs = 90'000;  // generous: a loaded machine under the sanitizers is slow
constexpr int kInstallMs = 120'000;

const QString kAppName = QStringLiteral("Photo Lab");
const QString kAppID = QStringLiteral("photolab");
const QString kBundleID = QStringLiteral("app.veltrane.demo.photolab");

// Everything the test writes lives here: the user's home, the maker's files, the tools.
QTemporaryDir *scratch = nullptr;

QString under(const QString &relative) { return scratch->filePath(relative); }

// The installed layout the tools expect: spctl finds its trust anchors from its own place.
void installTools(const QString &prefix)
{
    for (const auto &[place, built] : {std::pair("bin/veltrane-pack", E2E_PACK), {"bin/veltrane-catalog", E2E_CATALOG},
                                       {"libexec/veltrane-hub/hdiutil", E2E_HDIUTIL}, {"libexec/veltrane-hub/codesign", E2E_CODESIGN},
                                       {"libexec/veltrane-hub/spctl", E2E_SPCTL}, {"libexec/veltrane-hub/xattr", E2E_XATTR}}) {
        QDir().mkpath(QFileInfo(prefix + "/" + place).path());
        QFile::copy(QString::fromUtf8(built), prefix + "/" + place);
    }
}

QString installedBundle() { return under("home/Applications/") + kAppName + ".app"; }

QString installedVersion() { return BundleInfo::read(installedBundle()).value_or(BundleInfo{}).shortVersion.value_or(QString()); }

// Works the Hub's window the way a user does: finds what is on screen by name or by the text it
// shows (menus and dialogs included, hidden items skipped), clicks there and photographs it.
class HubDriver {
public:
    explicit HubDriver(QQuickWindow *window) : m_window(window) {}

    QQuickItem *item(const QString &objectName) const
    {
        return find(m_window->contentItem(), [&](QQuickItem *i) { return i->objectName() == objectName; });
    }
    // A text item under `within` showing `text`, fully faded in.
    QQuickItem *text(const QString &text, QQuickItem *within = nullptr) const
    {
        return find(within ? within : m_window->contentItem(),
                    [&](QQuickItem *i) { return textOf(i) == text && opacity(i) > 0.99; });
    }
    QString firstText(QQuickItem *within) const
    {
        const QQuickItem *found = find(within, [](QQuickItem *i) { return !textOf(i).isEmpty(); });
        return found ? textOf(found) : QString();
    }
    // The grid's card of that app; the grid keeps hidden cards for reuse, so it is asked.
    QQuickItem *card(const QString &name) const
    {
        QQuickItem *grid = item("grid"), *cell = nullptr;
        for (int index = 0; grid && index < grid->property("count").toInt(); ++index) {
            QMetaObject::invokeMethod(grid, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, cell), Q_ARG(int, index));
            if (cell && text(name, cell))
                return cell;
        }
        return nullptr;
    }
    bool click(QQuickItem *item) const
    {
        if (item)
            QTest::mouseClick(m_window, Qt::LeftButton, {}, item->mapToScene({item->width() / 2, item->height() / 2}).toPoint());
        return item;
    }
    bool click(const QString &objectName) const { return click(item(objectName)); }
    // Keys reach the window only when it is active; another app's window may have taken that.
    bool activate() const
    {
        m_window->requestActivate();
        return QTest::qWaitForWindowActive(m_window);
    }
    // <artifacts>/<name>.png of the window, or of the whole screen to show other programs too.
    bool shoot(const QString &name, bool wholeScreen = false) const
    {
        QDir().mkpath(E2E_ARTIFACTS);
        const QString file = E2E_ARTIFACTS "/" + name + ".png";
        return wholeScreen ? QProcess::execute("import", {"-window", "root", file}) == 0 : m_window->grabWindow().save(file);
    }

private:
    static QQuickItem *find(QQuickItem *root, const std::function<bool(QQuickItem *)> &matches)
    {
        if (!root || !root->isVisible())
            return nullptr;
        if (root->opacity() > 0 && root->width() > 0 && root->height() > 0 && matches(root))
            return root;
        for (QQuickItem *child : root->childItems()) {
            if (QQuickItem *found = find(child, matches))
                return found;
        }
        return nullptr;
    }
    static qreal opacity(const QQuickItem *item)
    {
        qreal opacity = 1;
        for (; item; item = item->parentItem())
            opacity *= item->opacity();
        return opacity;
    }
    static QString textOf(const QQuickItem *item)
    {
        return item->inherits("QQuickText") ? item->property("text").toString() : QString();
    }

    QQuickWindow *m_window;
};

} // namespace

class EndToEnd : public QObject {
    Q_OBJECT

public:
    // Before the application object exists, so every part of the Hub sees the temporary home.
    static void initMain()
    {
        scratch = new QTemporaryDir;
        for (const auto &[name, folder] : {std::pair("HOME", "home"), {"XDG_DATA_HOME", "home/.local/share"},
                                           {"XDG_CONFIG_HOME", "home/.config"}, {"XDG_CACHE_HOME", "home/.cache"},
                                           {"XDG_RUNTIME_DIR", "runtime"}}) {
            QDir().mkpath(under(folder));
            qputenv(name, QFile::encodeName(under(folder)));
        }
        QFile::setPermissions(under("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        VeltraneHubApp::prepareGraphics();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch && scratch->isValid());
        QDir(QStringLiteral(E2E_ARTIFACTS)).removeRecursively();
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        m_port = probe.serverPort();
        probe.close();
        installTools(under("prefix"));
        QVERIFY2(runDemo({"prepare", under("prefix")}), "the demo maker could not be prepared");
        QVERIFY2(runDemo({"start"}), "the demo server did not start");

        VeltraneHubApp::Options options = VeltraneHubApp::Options::fromBuild();
        options.catalog.endpoint = QUrl(QStringLiteral("https://127.0.0.1:%1/api/apps.json").arg(m_port));
        options.catalog.extraCaFile = under("maker/ca/ca.pem");
        options.installer.extraCaFile = options.catalog.extraCaFile;
        // No writable system folder: apps go to the home's Applications folder.
        options.installer.locations.systemApplications = under("no-system-applications");
        const QString tools = under("prefix/libexec/veltrane-hub/");
        options.installer.tools = {tools + "hdiutil", tools + "codesign", tools + "spctl", tools + "xattr"};

        m_hub = std::make_unique<VeltraneHubApp>(std::move(options));
        QVERIFY(m_hub->start());
        QQuickWindow *window = m_hub->window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        m_driver = std::make_unique<HubDriver>(window);
        QVERIFY(m_driver->activate());
    }

    void cleanupTestCase()
    {
        runDemo({"stop"});
        stopSampleApps();
        m_driver.reset();
        m_hub.reset();
        delete scratch;
        scratch = nullptr;
    }

    // In order: each step starts where the one before it left the Hub.
    void catalogueComesFromTheNetwork()
    {
        QTRY_COMPARE_WITH_TIMEOUT(statusLine(), QStringLiteral("Up to date"), kNetworkMs);
        QTRY_VERIFY(m_driver->card(kAppName));
        QVERIFY(m_driver->shoot("1-catalogue-from-network"));
    }

    void installPutsTheVerifiedAppIntoApplications()
    {
        QVERIFY(m_driver->click("searchField"));
        for (const char key : {'p', 'h', 'o', 't', 'o'})  // a window takes keys, not whole strings
            QTest::keyClick(m_hub->window(), key);
        QTRY_VERIFY(m_driver->card(kAppName) && !m_driver->card("Quick Notes"));
        QVERIFY(m_driver->click(m_driver->card(kAppName)));
        QTRY_COMPARE(primaryTitle(), QStringLiteral("Install"));
        QVERIFY(m_driver->shoot("2-detail-before-install"));

        QVERIFY(m_driver->click("primaryButton"));
        QTRY_VERIFY_WITH_TIMEOUT(m_driver->item("openButton"), kInstallMs);
        QVERIFY(m_driver->shoot("3-installed"));

        QCOMPARE(installedVersion(), QStringLiteral("1.0"));
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(Locations::fromEnvironment(), kBundleID), QStringList{installedBundle()});
    }

    void openStartsTheApp()
    {
        QVERIFY(m_driver->click("openButton"));
        const RunningApps running;
        QTRY_VERIFY_WITH_TIMEOUT(running.isRunning(kBundleID), 20'000);
        QTest::qWait(1500);  // lets the sample app draw its window for the picture
        QVERIFY(m_driver->shoot("4-opened", true));
        // Updating a running app would ask to quit it first; the user quits it here.
        stopSampleApps();
    }

    void publishedUpdateInstallsInPlace()
    {
        QVERIFY(runDemo({"publish", kAppID}));
        // The toolbar's button, not the menu's: it also pre-downloads the update, which is what
        // turns the just-installed app's "Installed" into an offer.
        QVERIFY(m_driver->click("refreshButton"));
        QTRY_COMPARE_WITH_TIMEOUT(primaryTitle(), QStringLiteral("Update to 1.1"), kNetworkMs);
        QVERIFY(m_driver->shoot("5-update-offered"));

        QVERIFY(m_driver->click("primaryButton"));
        QTRY_COMPARE_WITH_TIMEOUT(installedVersion(), QStringLiteral("1.1"), kInstallMs);
        QTRY_VERIFY(!m_driver->item("primaryButton") && m_driver->item("openButton"));
        QVERIFY(m_driver->shoot("6-updated"));
        // In place: one copy, where the first one was, and still the only one registered.
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(Locations::fromEnvironment(), kBundleID),
                 QStringList{installedBundle()});
    }

    void uninstallMovesTheAppToTheTrash()
    {
        QVERIFY(m_driver->click("moreActions"));
        QTRY_VERIFY(m_driver->item("uninstallItem"));
        QVERIFY(m_driver->click("uninstallItem"));
        QTRY_VERIFY(m_driver->item("confirmButton"));
        QVERIFY(m_driver->shoot("7-uninstall-asked"));

        QVERIFY(m_driver->click("confirmButton"));
        QTRY_COMPARE_WITH_TIMEOUT(primaryTitle(), QStringLiteral("Install"), kNetworkMs);
        QVERIFY(m_driver->shoot("8-uninstalled"));
        QVERIFY(!QFile::exists(installedBundle()));
        QVERIFY(QFile::exists(under("home/.local/share/Trash/files/") + kAppName + ".app/Contents/Info.plist"));
        QVERIFY(DesktopEntries::bundlesWithIdentifier(Locations::fromEnvironment(), kBundleID).isEmpty());
    }

    void refreshWithoutTheServerShowsTheSavedCatalogue()
    {
        QVERIFY(runDemo({"stop"}));
        QVERIFY(m_driver->activate());  // the sample app may have taken the keyboard
        QTest::keyClick(m_hub->window(), Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(m_driver->text("Offline. Showing the last saved catalogue."), kNetworkMs);
        QVERIFY(m_driver->shoot("9-offline"));
        QVERIFY(statusLine().startsWith("Offline · "));
        QVERIFY(m_driver->card(kAppName));
    }

private:
    bool runDemo(const QStringList &arguments)
    {
        QProcess demo;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : {std::pair<QString, QString>("DEMO_DIR", under("maker")),
                                          {"DEMO_PORT", QString::number(m_port)}, {"DEMO_SAMPLE_APP", E2E_SAMPLE_APP}})
            environment.insert(name, value);
        demo.setProcessEnvironment(environment);
        demo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        demo.start(QStringLiteral(E2E_DEMO_SCRIPT), arguments);
        const bool ended = demo.waitForFinished(300'000);
        qInfo().noquote() << demo.readAllStandardOutput().trimmed();
        return ended && demo.exitStatus() == QProcess::NormalExit && demo.exitCode() == 0;
    }

    void stopSampleApps()
    {
        const RunningApps running;
        for (qint64 pid : running.processes(kBundleID))
            ::kill(static_cast<pid_t>(pid), SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!running.isRunning(kBundleID), 10'000);
    }

    QString statusLine() const { return m_driver->firstText(m_driver->item("statusLine")); }

    QString primaryTitle() const
    {
        QQuickItem *button = m_driver->item("primaryButton");
        return button ? button->property("text").toString() : QString();
    }

    quint16 m_port = 0;
    std::unique_ptr<VeltraneHubApp> m_hub;
    std::unique_ptr<HubDriver> m_driver;
};

QTEST_MAIN(EndToEnd)
#include "tst_end_to_end.moc"
