// Kills a real install (real tools, a real image, squashfuse when FUSE works) at each of its
// steps, for a fresh install and for an update, and checks what the next start finds: the app
// absent or old, or new and verifying; nothing of the Hub's left once the start-up sweep ran
// (staging folders, mounts, squashfuse processes, temporary files); the app in the menus; and
// an install that works.

#include "ToolFixture.h"
#include "TestCertificates.h"
#include "TestHttpsServer.h"
#include "platform/BundleInfo.h"
#include "platform/DesktopEntries.h"
#include "platform/StagingFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {
pid_t spawnHelper(const QStringList &arguments, const QByteArray &stopAt, const QString &runtime)
{
    qputenv("VELTRANE_TEST_STOP_AT", stopAt);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("VELTRANE_TEST_CA_FILE", QFile::encodeName(TestCertificates::caFile()));
    QList<QByteArray> argv{VELTRANE_TEST_INSTALL_CHILD};
    for (const QString &argument : arguments)
        argv << QFile::encodeName(argument);
    std::vector<char *> argp;
    for (QByteArray &a : argv)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    pid_t pid = -1;
    return ::posix_spawn(&pid, argp[0], nullptr, nullptr, argp.data(), environ) == 0 ? pid : -1;
}

// Waits until the helper ends, or stops itself at its step; a stopped one is killed.
int finish(pid_t pid)
{
    int status = 0;
    // A guard against a hang, not a time limit on the install.
    for (int i = 0; i < 6000 && ::waitpid(pid, &status, WUNTRACED | WNOHANG) == 0; ++i)
        ::usleep(20000);
    if (!WIFEXITED(status) && !WIFSIGNALED(status)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return status;
}

int runHelper(const QStringList &arguments, const QByteArray &stopAt, const QString &runtime)
{
    const pid_t pid = spawnHelper(arguments, stopAt, runtime);
    return pid > 0 ? finish(pid) : -1;
}

// Processes of squashfuse whose arguments name a folder below `folder`.
QStringList squashfuseProcesses(const QString &folder)
{
    QStringList found;
    for (const QString &pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile cmdline("/proc/" + pid + "/cmdline");
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray arguments = cmdline.readAll();
        if (arguments.startsWith("/usr/bin/squashfuse") && arguments.contains(QFile::encodeName(folder)))
            found << pid;
    }
    return found;
}

QStringList everythingBelow(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

class TestInstallFaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_fx.isValid());
        m_fx.trust(m_fx.makeRoot("maker"));
        const QString identity = m_fx.makeIdentity(m_fx.path("maker"), "TESTTEAM01", "Team TESTTEAM01");
        for (const QString version : {"1.0", "1.1"}) {
            const QString bundle = m_fx.makeBundle(m_fx.path("apps-" + version), "Notes", "com.example.notes", version);
            QCOMPARE(m_fx.sign(bundle, identity).exitCode, 0);
            QCOMPARE(ToolFixture::pack({"image", m_fx.path("notes-" + version + ".dmg"), bundle}).exitCode, 0);
        }
        m_server.route("/notes-1.1.dmg", TestHttpsServer::Route::ok(TestFiles::read(m_fx.path("notes-1.1.dmg"))));
        TestHttpsServer::Route hang = TestHttpsServer::Route::generated(1000);
        hang.stallAfter = 0;
        m_server.route("/hang/notes-1.1.dmg", hang);
    }

    void killedAtEachStep_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("update");
        QTest::addColumn<QString>("versionAfter");  // "" for no app
        for (const bool update : {false, true}) {
            const QString before = update ? "1.0" : "";
            const char *kind = update ? "update" : "fresh install";
            for (const char *step : {"download", "attach", "copy", "verify", "assess"})
                QTest::addRow("%s, %s", kind, step) << step << update << before;
            for (const char *step : {"exchange", "register"})
                QTest::addRow("%s, %s", kind, step) << step << update << "1.1";
        }
    }

    void killedAtEachStep()
    {
        QFETCH(QString, step);
        QFETCH(bool, update);
        QFETCH(QString, versionAfter);
        QTemporaryDir work, runtime;
        prepare(work.path());
        if (update)
            QVERIFY(install(work.path(), "1.0", {}, runtime.path()));
        if (step != "download")
            QFile::copy(m_fx.path("notes-1.1.dmg"), work.filePath("data/VeltraneHub/Updates/notes-1.1.dmg"));

        const QString url = m_server.url((step == "download" ? "/hang" : "") + QString("/notes-1.1.dmg")).toString();
        if (step == "download") {
            // Killed while it waits for the server's bytes.
            const qsizetype requestsBefore = m_server.requests().size();
            const pid_t pid = spawnHelper({"install", work.path(), "1.1", url}, {}, runtime.path());
            QTRY_VERIFY_WITH_TIMEOUT(m_server.requests().size() > requestsBefore, 60000);
            ::kill(pid, SIGKILL);
            QVERIFY(WIFSIGNALED(finish(pid)));
        } else {
            QVERIFY2(WIFSTOPPED(runHelper({"install", work.path(), "1.1", url}, step.toUtf8(), runtime.path())),
                     "the install did not reach its step");
        }

        const QString app = work.filePath("Applications/Notes.app");
        QCOMPARE(versionOf(app), versionAfter);
        if (!versionAfter.isEmpty())
            QVERIFY(verifies(app));

        // The next start, with a file open in a mounted image (as a crashed app's file dialog
        // may have left it): its daemon goes all the same.
        QFile busy;
        for (const QString &area : QDir(runtime.path()).entryList({"veltrane-hdiutil.*"}, QDir::Dirs))
            busy.setFileName(runtime.filePath(area + "/volume/Notes.app/Contents/Info.plist"));
        busy.open(QIODevice::ReadOnly);
        QVERIFY(WIFEXITED(runHelper({"sweep", work.path()}, {}, runtime.path())));
        QCOMPARE(versionOf(app), versionAfter);
        for (const QString &folder : {work.filePath("Applications"), work.filePath("data/VeltraneHub/Previous")})
            QCOMPARE(QDir(folder).entryList({QString(StagingFolder::prefix) + "*"}, QDir::Dirs | QDir::Hidden), QStringList());
        QCOMPARE(everythingBelow(runtime.path()), QStringList());
        QVERIFY(!TestFiles::read("/proc/self/mountinfo").contains(QFile::encodeName(runtime.path())));
        QTRY_COMPARE(squashfuseProcesses(runtime.path()), QStringList());
        QCOMPARE(everythingBelow(work.filePath("tmp")), QStringList());
        QCOMPARE(everythingBelow(work.filePath("data/VeltraneHub/Updates")).filter(QRegularExpression("^\\.")), QStringList());
        Locations locations;
        locations.dataHome = work.filePath("data");
        QCOMPARE(DesktopEntries::bundlesWithIdentifier(locations, "com.example.notes"),
                 versionAfter.isEmpty() ? QStringList() : QStringList{app});

        // And the next install works.
        QVERIFY(install(work.path(), "1.1", m_server.url("/notes-1.1.dmg").toString(), runtime.path()));
        QCOMPARE(versionOf(app), QString("1.1"));
        QVERIFY(verifies(app));
    }

private:
    // WORK/tools: the real tools behind scripts that stop the install (its process, their
    // parent) in the tool of its step. attach stops it once the image is mounted.
    void prepare(const QString &work)
    {
        for (const char *folder : {"tools", "Applications", "tmp", "home", "data/VeltraneHub/Updates"})
            QDir().mkpath(work + "/" + folder);
        const QList<QPair<QString, QString>> stops{{"hdiutil", "attach:attach) out=$(\"$real\" \"$@\"); status=$?;"
                                                               " kill -STOP $PPID; printf '%s\\n' \"$out\"; exit $status;;"},
                                                   {"codesign", "verify:--verify) kill -STOP $PPID;;"},
                                                   {"spctl", "assess:-a) kill -STOP $PPID;;"},
                                                   {"xattr", "register:-dr) kill -STOP $PPID;;"}};
        for (const auto &[tool, stop] : stops) {
            const QString script = work + "/tools/" + tool;
            TestFiles::write(script, QString("#!/bin/sh\nreal='%1'\ncase \"$VELTRANE_TEST_STOP_AT:$1\" in\n%2\nesac\n"
                                             "exec \"$real\" \"$@\"\n").arg(m_fx.tool(tool), stop).toUtf8());
            QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
        }
    }

    bool install(const QString &work, const QString &version, const QString &url, const QString &runtime)
    {
        if (url.isEmpty())
            QFile::copy(m_fx.path("notes-" + version + ".dmg"), work + "/data/VeltraneHub/Updates/notes-" + version + ".dmg");
        const QString from = url.isEmpty() ? m_server.url("/notes-" + version + ".dmg").toString() : url;
        const int status = runHelper({"install", work, version, from}, {}, runtime);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    static QString versionOf(const QString &app)
    {
        return BundleInfo::read(app).value_or(BundleInfo {}).shortVersion.value_or(QString());
    }

    bool verifies(const QString &bundle) const
    {
        return m_fx.runTool("codesign", {"--verify", "--deep", "--strict", bundle}).exitCode == 0;
    }

    ToolFixture m_fx;
    TestHttpsServer m_server;
};

QTEST_GUILESS_MAIN(TestInstallFaults)
#include "tst_install_faults.moc"
