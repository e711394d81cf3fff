// The install with the real system tools: bundles signed and packed by veltrane-pack, in the
// download cache, mounted, checked and installed (without their quarantine attribute); updated,
// and taken back to the copy the update replaced. (tst_install_faults downloads them over HTTPS
// too; tst_disk_image_install checks the refusals with stand-in tools.)

#include "SmallDisk.h"
#include "ToolFixture.h"
#include "platform/StagingFolder.h"
#include "service/UpdateInstaller.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/xattr.h>
#include <unistd.h>

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
        m_identity = m_fx.makeIdentity(m_fx.path("maker"), "TESTTEAM01", "Team TESTTEAM01");
    }

    void init()
    {
        m_work = std::make_unique<QTemporaryDir>();
        m_options.locations.home = m_work->filePath("home");
        m_options.locations.dataHome = m_work->filePath("data");
        m_options.locations.systemApplications = m_work->filePath("Applications");
        m_options.locations.tempDir = m_work->filePath("tmp");
        QDir().mkpath(m_options.locations.systemApplications);
        QDir().mkpath(m_options.locations.tempDir);
        m_options.tools = {m_fx.tool("hdiutil"), m_fx.tool("codesign"), m_fx.tool("spctl"), m_fx.tool("xattr")};
        m_options.teamIdentifier = "TESTTEAM01";
        m_destination = m_options.locations.systemApplications + "/Notes.app";
    }

    void installsTheMakersApp()
    {
        const QString cached = image("2.1");
        if (m_quarantine == ENOTSUP)
            QSKIP("this file system keeps no user attributes: the quarantine removal was not checked");
        QCOMPARE(m_quarantine, 0);  // the attribute was there to be removed
        QTest::ignoreMessage(QtInfoMsg, "installed Notes.app");
        QCOMPARE(textOf(QCoro::waitFor(UpdateInstaller(m_options).install(app("2.1"), cached, {}))), m_destination);
        QVERIFY(QFileInfo(m_destination + "/Contents/MacOS/notes").isExecutable());
        QVERIFY(!hasQuarantine(m_destination));
        QVERIFY(verifies(m_destination));
        QVERIFY(QFileInfo::exists(cached));
    }

    void goesBackToTheKeptCopy_data()
    {
        QTest::addColumn<bool>("otherDisk");  // the kept copy on another file system
        QTest::addColumn<bool>("tampered");
        QTest::newRow("same file system") << false << false;
        QTest::newRow("kept on another file system") << true << false;
        QTest::newRow("tampered kept copy") << false << true;
    }

    void goesBackToTheKeptCopy()
    {
        QFETCH(bool, otherDisk);
        QFETCH(bool, tampered);
        std::optional<SmallDisk> disk;
        if (otherDisk) {
            if (::geteuid() != 0)
                QSKIP("needs root to mount a second file system: going back across file systems was not checked");
            disk.emplace(m_options.locations.dataHome, "size=16m");
            QVERIFY(disk->mounted());
        }
        UpdateInstaller installer(m_options);
        for (const QString version : {"1.0", "1.1"}) {
            QTest::ignoreMessage(QtInfoMsg, "installed Notes.app");
            QCOMPARE(textOf(QCoro::waitFor(installer.install(app(version), image(version), {}))), m_destination);
        }
        QCOMPARE(installer.keptVersion(app("1.1")), std::optional<QString>("1.0"));
        const QString kept = m_options.locations.dataHome + "/VeltraneHub/Previous/com.example.notes/Notes.app";
        QVERIFY(verifies(kept));
        if (tampered)
            QVERIFY(TestFiles::write(kept + "/Contents/Resources/readme.txt", "changed\n"));
        else
            QTest::ignoreMessage(QtInfoMsg, "installed Notes.app");

        const QString result = textOf(QCoro::waitFor(installer.goBack(app("1.1"))));
        if (tampered) {
            QVERIFY2(result.startsWith("Refused: the download is not signed by Veltrane. Notes.app"), qPrintable(result));
            QVERIFY(TestFiles::read(m_destination + "/Contents/Info.plist").contains("<string>1.1</string>"));
            QCOMPARE(installer.keptVersion(app("1.1")), std::optional<QString>("1.0"));  // nothing changes
        } else {
            QCOMPARE(result, m_destination);
            QVERIFY(TestFiles::read(m_destination + "/Contents/Info.plist").contains("<string>1.0</string>"));
            QCOMPARE(installer.keptVersion(app("1.1")), std::nullopt);
        }
        QVERIFY(verifies(m_destination));
        for (const QString &folder : {m_options.locations.systemApplications, QFileInfo(kept).path() + "/.."})
            QCOMPARE(QDir(folder).entryList({QString(StagingFolder::prefix) + "*"}, QDir::Dirs | QDir::Hidden), QStringList());
    }

private:
    static CatalogApp app(const QString &version)
    {
        CatalogApp notes;
        notes.id = "notes";
        notes.version = version;
        notes.bundleID = "com.example.notes";
        return notes;
    }

    // An image of Notes at that version, signed and with the quarantine attribute set, in the
    // download cache.
    QString image(const QString &version)
    {
        const QString bundle = m_fx.makeBundle(m_work->filePath("apps-" + version), "Notes", "com.example.notes", version);
        if (m_fx.sign(bundle, m_identity).exitCode != 0)
            return {};
        const QByteArray path = QFile::encodeName(bundle);
        m_quarantine = ::setxattr(path.constData(), "user.com.apple.quarantine", "0081;1;Hub;", 11, 0) == 0 ? 0 : errno;
        if (m_quarantine == 0 && !hasQuarantine(bundle))
            m_quarantine = ENODATA;
        const QString cached = UpdateInstaller(m_options).cachedDMG("notes", version);
        return ToolFixture::pack({"image", cached, bundle}).exitCode == 0 ? cached : QString();
    }

    bool verifies(const QString &bundle) const
    {
        return m_fx.runTool("codesign", {"--verify", "--deep", "--strict", bundle}).exitCode == 0;
    }

    ToolFixture m_fx;
    QString m_identity;
    int m_quarantine = 0;  // errno of setting the attribute on the last image's app
    std::unique_ptr<QTemporaryDir> m_work;
    UpdateInstaller::Options m_options;
    QString m_destination;
};

QTEST_GUILESS_MAIN(TestInstallerEndToEnd)
#include "tst_installer_end_to_end.moc"
