#include "HubDriver.h"

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

} // namespace

class EndToEnd : public QObject {
    Q_OBJECT

public:
    // Before the application object exists, so every part of the Hub sees the temporary home.
    static void initMain();

private slots:
    void initTestCase();
    void cleanupTestCase();

    // In order: each step starts where the one before it left the Hub.
    void catalogueComesFromTheNetwork();
    void installPutsTheVerifiedAppIntoApplications();
    void openStartsTheApp();
    void publishedUpdateInstallsInPlace();
    void uninstallMovesTheAppToTheTrash();
    void refreshWithoutTheServerShowsTheSavedCatalogue();

private:
    bool runDemo(const QStringList &arguments);
    void stopSampleApps();
    QString statusLine() const { return m_driver->firstText(m_driver->item("statusLine")); }
    QString primaryTitle() const;

    quint16 m_port = 0;
    std::unique_ptr<VeltraneHubApp> m_hub;
    std::unique_ptr<HubDriver> m_driver;
};

void EndToEnd::initMain()
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

bool EndToEnd::runDemo(const QStringList &arguments)
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

void EndToEnd::initTestCase()
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

void EndToEnd::cleanupTestCase()
{
    runDemo({"stop"});
    stopSampleApps();
    m_driver.reset();
    m_hub.reset();
    delete scratch;
    scratch = nullptr;
}

QString EndToEnd::primaryTitle() const
{
    QQuickItem *button = m_driver->item("primaryButton");
    return button ? button->property("text").toString() : QString();
}

void EndToEnd::stopSampleApps()
{
    const RunningApps running;
    for (qint64 pid : running.processes(kBundleID))
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    QTRY_VERIFY_WITH_TIMEOUT(!running.isRunning(kBundleID), 10'000);
}

void EndToEnd::catalogueComesFromTheNetwork()
{
    QTRY_COMPARE_WITH_TIMEOUT(statusLine(), QStringLiteral("Up to date"), kNetworkMs);
    QTRY_VERIFY(m_driver->card(kAppName));
    QVERIFY(m_driver->card("Timekeeper"));
    QVERIFY(m_driver->shoot("1-catalogue-from-network"));
}

void EndToEnd::installPutsTheVerifiedAppIntoApplications()
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

void EndToEnd::openStartsTheApp()
{
    QVERIFY(m_driver->click("openButton"));
    const RunningApps running;
    QTRY_VERIFY_WITH_TIMEOUT(running.isRunning(kBundleID), 20'000);
    QTest::qWait(1500);  // lets the sample app draw its window for the picture
    QVERIFY(m_driver->shoot("4-opened", true));
    // Updating a running app would ask to quit it first; the user quits it here.
    stopSampleApps();
}

void EndToEnd::publishedUpdateInstallsInPlace()
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

void EndToEnd::uninstallMovesTheAppToTheTrash()
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

void EndToEnd::refreshWithoutTheServerShowsTheSavedCatalogue()
{
    QVERIFY(runDemo({"stop"}));
    QVERIFY(m_driver->activate());  // the sample app may have taken the keyboard
    m_driver->press(Qt::Key_R, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(m_driver->text("Offline. Showing the last saved catalogue."), kNetworkMs);
    QVERIFY(m_driver->shoot("9-offline"));
    QVERIFY(statusLine().startsWith("Offline · "));
    QVERIFY(m_driver->card(kAppName));
}

QTEST_MAIN(EndToEnd)
#include "tst_end_to_end.moc"
