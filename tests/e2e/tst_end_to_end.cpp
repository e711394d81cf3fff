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

constexpr int kNetworkMs = 30'000;
constexpr int kInstallMs = 120'000;

const QString kAppName = QStringLiteral("Photo Lab");
const QString kAppID = QStringLiteral("photolab");
const QString kBundleID = QStringLiteral("app.veltrane.demo.photolab");

// Everything the test writes lives here: the user's home, the maker's files, the tools.
QTemporaryDir *scratch = nullptr;

QString under(const QString &relative) { return scratch->filePath(relative); }

void setFolderVariable(const char *name, const QString &folder)
{
    QDir().mkpath(folder);
    qputenv(name, QFile::encodeName(folder));
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// The installed layout the tools expect: spctl finds its trust anchors from its own place.
void installTools(const QString &prefix)
{
    QDir().mkpath(prefix + "/bin");
    QDir().mkpath(prefix + "/libexec/veltrane-hub");
    QFile::copy(QStringLiteral(E2E_PACK), prefix + "/bin/veltrane-pack");
    QFile::copy(QStringLiteral(E2E_CATALOG), prefix + "/bin/veltrane-catalog");
    const std::pair<const char *, const char *> tools[] = {
        {"hdiutil", E2E_HDIUTIL}, {"codesign", E2E_CODESIGN}, {"spctl", E2E_SPCTL}, {"xattr", E2E_XATTR}};
    for (const auto &[name, built] : tools)
        QFile::copy(QString::fromUtf8(built), prefix + "/libexec/veltrane-hub/" + name);
}

QString installedBundle() { return under("home/Applications/") + kAppName + ".app"; }

QString installedVersion()
{
    const auto info = BundleInfo::read(installedBundle());
    return info && info->shortVersion ? *info->shortVersion : QString();
}

// Works the Hub's window the way a user does: finds what is on screen by name or by the text it
// shows, clicks and types there, and photographs the result.
class HubDriver {
public:
    explicit HubDriver(QQuickWindow *window) : m_window(window) {}

    // The first visible item named `objectName`, anywhere in the window (menus and dialogs
    // included); null when none is on screen.
    QQuickItem *item(const QString &objectName) const
    {
        return findShown(m_window->contentItem(), [&](QQuickItem *i) { return i->objectName() == objectName; });
    }
    // The first text item under `within` (default: the whole window) showing `text`, fully faded in.
    QQuickItem *text(const QString &text, QQuickItem *within = nullptr) const
    {
        return findShown(within ? within : m_window->contentItem(),
                         [&](QQuickItem *i) { return shownText(i) == text && effectiveOpacity(i) > 0.99; });
    }
    // The card in the grid for the app named `name`; null when the grid does not show it. Asks
    // the grid, which keeps hidden cards around for reuse.
    QQuickItem *card(const QString &name) const
    {
        QQuickItem *grid = item("grid");
        const int count = grid ? grid->property("count").toInt() : 0;
        for (int index = 0; index < count; ++index) {
            QQuickItem *cell = nullptr;
            QMetaObject::invokeMethod(grid, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, cell), Q_ARG(int, index));
            if (cell && text(name, cell))
                return cell;
        }
        return nullptr;
    }
    QString firstText(QQuickItem *within) const
    {
        const QQuickItem *found = findShown(within, [](QQuickItem *i) { return !shownText(i).isEmpty(); });
        return found ? shownText(found) : QString();
    }

    // Clicks the middle of the item; false when there is none.
    bool click(QQuickItem *item) const
    {
        if (!item)
            return false;
        QTest::mouseClick(m_window, Qt::LeftButton, Qt::NoModifier,
                          item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
        return true;
    }
    bool click(const QString &objectName) const { return click(item(objectName)); }
    // Brings the window to the front so keys reach it (another app's window may have taken the
    // focus); false when it did not become active.
    bool activate() const
    {
        m_window->requestActivate();
        return QTest::qWaitForWindowActive(m_window);
    }
    void type(const QString &text) const
    {
        // QTest types whole strings into widgets only; a window gets them a key at a time.
        for (const char key : text.toLatin1())
            QTest::keyClick(m_window, key);
    }
    void press(int key, int modifiers = 0) const
    {
        QTest::keyClick(m_window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    }
    // Saves the window as <artifacts>/<name>.png; the whole screen with `wholeScreen`, to show
    // other programs' windows too. False when nothing was written.
    bool shoot(const QString &name, bool wholeScreen = false) const
    {
        QDir().mkpath(E2E_ARTIFACTS);
        const QString file = E2E_ARTIFACTS "/" + name + ".png";
        if (wholeScreen)
            return QProcess::execute("import", {"-window", "root", file}) == 0;
        return m_window->grabWindow().save(file);
    }

private:
    static bool isShown(const QQuickItem *item)
    {
        return item->isVisible() && item->opacity() > 0 && item->width() > 0 && item->height() > 0;
    }
    // Depth-first over the visual tree, skipping what is hidden; stops at the first match.
    static QQuickItem *findShown(QQuickItem *root, const std::function<bool(QQuickItem *)> &matches)
    {
        if (!root || !root->isVisible())
            return nullptr;
        if (isShown(root) && matches(root))
            return root;
        for (QQuickItem *child : root->childItems()) {
            if (QQuickItem *found = findShown(child, matches))
                return found;
        }
        return nullptr;
    }
    // What the user sees of it: faded in or out with its parents.
    static qreal effectiveOpacity(const QQuickItem *item)
    {
        qreal opacity = 1;
        for (; item; item = item->parentItem())
            opacity *= item->opacity();
        return opacity;
    }
    static QString shownText(const QQuickItem *item)
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
        setFolderVariable("HOME", under("home"));
        setFolderVariable("XDG_DATA_HOME", under("home/.local/share"));
        setFolderVariable("XDG_CONFIG_HOME", under("home/.config"));
        setFolderVariable("XDG_CACHE_HOME", under("home/.cache"));
        setFolderVariable("XDG_RUNTIME_DIR", under("runtime"));
        QFile::setPermissions(under("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        VeltraneHubApp::prepareGraphics();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch && scratch->isValid());
        QDir(QStringLiteral(E2E_ARTIFACTS)).removeRecursively();
        m_port = freePort();
        QVERIFY(m_port != 0);
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
        QVERIFY(m_driver->card("Timekeeper"));
        QVERIFY(m_driver->shoot("1-catalogue-from-network"));
    }

    void installPutsTheVerifiedAppIntoApplications()
    {
        QVERIFY(m_driver->click("searchField"));
        m_driver->type(QStringLiteral("photo"));
        QTRY_VERIFY(m_driver->card(kAppName) && !m_driver->card("Quick Notes"));
        QVERIFY(m_driver->click(m_driver->card(kAppName)));
        QTRY_COMPARE(primaryTitle(), QStringLiteral("Install"));
        QVERIFY(m_driver->shoot("2-detail-before-install"));

        QVERIFY(m_driver->click("primaryButton"));
        QTRY_VERIFY_WITH_TIMEOUT(m_driver->item("openButton"), kInstallMs);
        QVERIFY(m_driver->shoot("3-installed"));

        QCOMPARE(installedVersion(), QStringLiteral("1.0"));
        const auto registered = DesktopEntries::bundlesWithIdentifier(Locations::fromEnvironment(), kBundleID);
        QCOMPARE(registered, QStringList{installedBundle()});
        // Whatever the Hub checked on the way in, the app in place still carries a valid signature.
        QProcess verify;
        verify.start(under("prefix/libexec/veltrane-hub/codesign"), {"--verify", "--deep", "--strict", installedBundle()});
        QVERIFY(verify.waitForFinished(30'000));
        QCOMPARE(verify.exitCode(), 0);
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
        const QString trashed = under("home/.local/share/Trash/files/") + kAppName + ".app";
        QCOMPARE(BundleInfo::read(trashed).value_or(BundleInfo{}).shortVersion.value_or(QString()), "1.1");
        QVERIFY(QFile::exists(under("home/.local/share/Trash/info/") + kAppName + ".app.trashinfo"));
        QVERIFY(DesktopEntries::bundlesWithIdentifier(Locations::fromEnvironment(), kBundleID).isEmpty());
    }

    void refreshWithoutTheServerShowsTheSavedCatalogue()
    {
        QVERIFY(runDemo({"stop"}));
        QVERIFY(m_driver->activate());  // the sample app may have taken the keyboard
        m_driver->press(Qt::Key_R, Qt::ControlModifier);
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
        environment.insert("DEMO_DIR", under("maker"));
        environment.insert("DEMO_PORT", QString::number(m_port));
        environment.insert("DEMO_SAMPLE_APP", QStringLiteral(E2E_SAMPLE_APP));
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
