// The whole pipeline with the real system tools: a bundle signed and packed by veltrane-pack,
// served over HTTPS, fetched into the cache, mounted, checked and installed.

#include "TestCertificates.h"
#include "TestHttpsServer.h"
#include "ToolFixture.h"
#include "service/UpdateInstaller.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/xattr.h>

namespace {
QString textOf(const AppInstaller::Outcome<QString> &outcome)
{
    return outcome.ok() ? outcome.value() : outcome.failure().description();
}

bool hasQuarantine(const QString &path)
{
    return ::getxattr(QFile::encodeName(path).constData(), "user.com.apple.quarantine", nullptr, 0) >= 0;
}
} // namespace

class TestInstallerEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_fx.isValid());
        m_fx.trust(m_fx.makeRoot("maker"));
        m_fx.makeRoot("stranger");
        m_tools = {m_fx.tool("hdiutil"), m_fx.tool("codesign"), m_fx.tool("spctl"), m_fx.tool("xattr")};
    }

    void installs_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("team");
        QTest::addColumn<QString>("outcome");  // "installed" or the start of the failure text
        QTest::newRow("the maker's app") << "maker" << "TESTTEAM01" << "installed";
        QTest::newRow("another team of a trusted root")
            << "maker" << "OTHERTEAM1" << "Refused: the download is not signed by Veltrane. Unexpected developer.";
        QTest::newRow("our team from an untrusted root")
            << "stranger" << "TESTTEAM01" << "Refused by macOS security check. ";
    }

    void installs()
    {
        QFETCH(QString, root);
        QFETCH(QString, team);
        QFETCH(QString, outcome);
        QTemporaryDir work;
        const QString identity = m_fx.makeIdentity(m_fx.path(root), team, "Team " + team);
        const QString bundle = m_fx.makeBundle(work.filePath("apps"), "Notes", "com.example.notes");
        QCOMPARE(m_fx.sign(bundle, identity).exitCode, 0);
        ::setxattr(QFile::encodeName(bundle).constData(), "user.com.apple.quarantine", "0081;1;Hub;", 11, 0);
        QCOMPARE(ToolFixture::pack({"image", work.filePath("notes-2.1.dmg"), bundle}).exitCode, 0);
        m_server.route("/notes-2.1.dmg", TestHttpsServer::Route::ok(TestFiles::read(work.filePath("notes-2.1.dmg")),
                                                                    "application/octet-stream"));

        UpdateInstaller::Options options;
        options.locations.home = work.filePath("home");
        options.locations.dataHome = work.filePath("data");
        options.locations.systemApplications = work.filePath("Applications");
        options.locations.tempDir = work.filePath("tmp");
        QDir().mkpath(options.locations.systemApplications);
        QDir().mkpath(options.locations.tempDir);
        options.tools = m_tools;
        options.extraCaFile = TestCertificates::caFile();
        options.teamIdentifier = "TESTTEAM01";
        UpdateInstaller installer(options);
        CatalogApp notes;
        notes.id = "notes";
        notes.version = "2.1";
        notes.bundleID = "com.example.notes";
        notes.downloadURL = m_server.url("/notes-2.1.dmg");

        const QString cached = textOf(QCoro::waitFor(installer.download(notes, {})));
        QCOMPARE(cached, installer.cachedDMG("notes", "2.1"));
        const QString result = textOf(QCoro::waitFor(installer.install(notes, cached, {})));
        const QString destination = options.locations.systemApplications + "/Notes.app";
        if (outcome == "installed") {
            QCOMPARE(result, destination);
            QVERIFY(QFileInfo(destination + "/Contents/MacOS/notes").isExecutable());
            QVERIFY(!hasQuarantine(destination));
            QCOMPARE(m_fx.runTool("codesign", {"--verify", "--deep", "--strict", destination}).exitCode, 0);
        } else {
            QVERIFY2(result.startsWith(outcome), qPrintable(result));
            QVERIFY(!QFileInfo::exists(destination));
        }
    }

private:
    ToolFixture m_fx;
    TestHttpsServer m_server;
    UpdateInstaller::Tools m_tools;
};

QTEST_GUILESS_MAIN(TestInstallerEndToEnd)
#include "tst_installer_end_to_end.moc"
