// The whole pipeline with the real system tools: a bundle signed and packed by veltrane-pack,
// served over HTTPS, fetched into the cache, mounted, checked and installed.

#include "TestCertificates.h"
#include "TestHttpsServer.h"
#include "platform/ToolRunner.h"
#include "service/UpdateInstaller.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/xattr.h>

using namespace std::chrono_literals;

namespace {
QCoro::Task<QString> fetchCatching(UpdateInstaller installer, QUrl url)
{
    QString result;
    try {
        result = co_await installer.fetchDMG(QStringLiteral("notes"), QStringLiteral("2.1"), url, {});
    } catch (const UpdateInstaller::Error &error) {
        result = QStringLiteral("error: ") + error.description();
    }
    co_return result;
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
        const QString tools = m_dir.filePath("prefix/libexec/veltrane-hub");
        QVERIFY(QDir().mkpath(tools));
        QVERIFY(QDir().mkpath(m_dir.filePath("prefix/share/veltrane-hub/anchors")));
        const QStringList built = {VELTRANE_TEST_HDIUTIL, VELTRANE_TEST_CODESIGN, VELTRANE_TEST_SPCTL, VELTRANE_TEST_XATTR};
        for (const QString &tool : built)
            QVERIFY(QFile::copy(tool, tools + "/" + QFileInfo(tool).fileName()));
        m_tools = {tools + "/hdiutil", tools + "/codesign", tools + "/spctl", tools + "/xattr"};

        pack({"root-key", "--name", "Maker Root", m_dir.filePath("maker")});
        pack({"root-key", "--name", "Stranger Root", m_dir.filePath("stranger")});
        QVERIFY(QFile::copy(m_dir.filePath("maker.pub"), m_dir.filePath("prefix/share/veltrane-hub/anchors/maker.pub")));
        QFile program(m_dir.filePath("notes"));
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\necho notes\n");
        program.close();
        program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
        const QString identity = work.filePath("identity");
        QDir().mkpath(work.filePath("apps"));
        pack({"identity", "--root", m_dir.filePath(root + ".key"), "--team", team, "--name", "Team " + team, identity});
        pack({"bundle", "--name", "Notes", "--id", "com.example.notes", "--version", "2.1", "--exec",
              m_dir.filePath("notes"), work.filePath("apps")});
        const QString bundle = work.filePath("apps/Notes.app");
        QVERIFY(ToolRunner::run(m_tools.codesign, {"--sign", identity, bundle}, 60s).succeeded());
        ::setxattr(QFile::encodeName(bundle).constData(), "user.com.apple.quarantine", "0081;1;Hub;", 11, 0);
        pack({"image", work.filePath("notes-2.1.dmg"), bundle});
        QFile image(work.filePath("notes-2.1.dmg"));
        QVERIFY(image.open(QIODevice::ReadOnly));
        m_server.route("/notes-2.1.dmg", TestHttpsServer::Route::ok(image.readAll(), "application/octet-stream"));

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
        const UpdateInstaller installer(options);

        const QString cached = QCoro::waitFor(fetchCatching(installer, m_server.url("/notes-2.1.dmg")));
        QCOMPARE(cached, installer.cachedDMG("notes", "2.1"));
        QString result;
        try {
            result = installer.install(cached, {});
        } catch (const UpdateInstaller::Error &error) {
            result = error.description();
        }
        const QString destination = options.locations.systemApplications + "/Notes.app";
        if (outcome == "installed") {
            QCOMPARE(result, destination);
            QVERIFY(QFileInfo(destination + "/Contents/MacOS/notes").isExecutable());
            QVERIFY(!hasQuarantine(destination));
            QVERIFY(ToolRunner::run(m_tools.codesign, {"--verify", "--deep", "--strict", destination}, 60s).succeeded());
        } else {
            QVERIFY2(result.startsWith(outcome), qPrintable(result));
            QVERIFY(!QFileInfo::exists(destination));
        }
    }

private:
    void pack(const QStringList &arguments)
    {
        const auto run = ToolRunner::run(VELTRANE_TEST_PACK, arguments, 120s);
        QVERIFY2(run.succeeded(), qPrintable(run.output));
    }

    QTemporaryDir m_dir;
    TestHttpsServer m_server;
    UpdateInstaller::Tools m_tools;
};

QTEST_GUILESS_MAIN(TestInstallerEndToEnd)
#include "tst_installer_end_to_end.moc"
