#include "ToolFixture.h"

#include "Files.h"
#include "posix/InfoPlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

QFile::Permissions modeBits(const QString &path)
{
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

const auto mode600 = QFile::ReadOwner | QFile::WriteOwner;
const auto mode644 = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
const auto mode755 = mode644 | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

} // namespace

class TestPack : public QObject {
    Q_OBJECT

    ToolFixture fx;

private Q_SLOTS:
    void initTestCase() { QVERIFY(fx.isValid()); }

    void keysAreWrittenOnceWithTheirModes()
    {
        const QString root = fx.path("root");
        QCOMPARE(ToolFixture::pack({"root-key", root}).exitCode, 0);
        QCOMPARE(modeBits(root + ".key"), mode600);
        QCOMPARE(modeBits(root + ".pub"), mode644);
        const QByteArray secret = TestFiles::read(root + ".key");
        QVERIFY(!secret.isEmpty());

        const ToolRun again = ToolFixture::pack({"root-key", root});
        QCOMPARE(again.exitCode, 1);
        QCOMPARE(TestFiles::read(root + ".key"), secret);

        const QString identity = fx.path("team");
        const ToolRun made = ToolFixture::pack({"identity", "--root", root + ".key", "--team", "K3Q8ZT52WM",
                                                "--name", "Veltrane Labs", identity});
        QCOMPARE(made.exitCode, 0);
        QCOMPARE(modeBits(identity + ".key"), mode600);
        QVERIFY(!made.merged().contains(QString::fromLatin1(secret.mid(secret.indexOf("seed ") + 5, 20))));

        // A secret others can read is refused, as ssh refuses such keys.
        QFile::setPermissions(root + ".key", mode644);
        const ToolRun exposed = ToolFixture::pack({"identity", "--root", root + ".key", "--team", "K3Q8ZT52WM",
                                                   "--name", "Veltrane Labs", fx.path("team2")});
        QCOMPARE(exposed.exitCode, 1);
        QVERIFY(exposed.err.contains("mode 0600"));
    }

    void identityRejectsBadTeams_data()
    {
        QTest::addColumn<QString>("team");
        QTest::addColumn<QString>("name");
        QTest::newRow("lower case team") << "k3q8zt52wm" << "Labs";
        QTest::newRow("name with =") << "K3Q8ZT52WM" << "TeamIdentifier=K3Q8ZT52WM";
        QTest::newRow("name with line feed") << "K3Q8ZT52WM" << "Labs\nTeamIdentifier=X";
    }

    void identityRejectsBadTeams()
    {
        QFETCH(QString, team);
        QFETCH(QString, name);
        const QString root = fx.makeRoot("badteams");
        const ToolRun run = ToolFixture::pack({"identity", "--root", root + ".key", "--team", team,
                                               "--name", name, fx.path("bad")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(!QFile::exists(fx.path("bad.key")));
    }

    void bundleLayout()
    {
        const QString program = fx.path("tool");
        const QString icon = fx.path("icon.png");
        TestFiles::write(program, "#!/bin/sh\n");
        TestFiles::write(icon, "PNG");
        // The output folder does not exist yet: it is made.
        const QString out = fx.path("apps/new");
        const ToolRun made = ToolFixture::pack({"bundle", "--name", "Notes", "--id", "app.veltrane.notes",
                                                "--version", "2.1", "--exec", program, "--icon", icon, out});
        QCOMPARE(made.exitCode, 0);
        const QString app = out + "/Notes.app";
        QCOMPARE(modeBits(app + "/Contents/MacOS/tool"), mode755);
        QVERIFY(QFile::exists(app + "/Contents/Resources/icon.png"));
        const QByteArray xml = TestFiles::read(app + "/Contents/Info.plist");
        QVERIFY(xml.startsWith("<?xml"));
        const auto info = posix::InfoPlist::parse(xml.toStdString());
        QVERIFY(info);
        QCOMPARE(info->identifier.value_or(""), std::string("app.veltrane.notes"));
        QCOMPARE(info->shortVersion.value_or(""), std::string("2.1"));
        QCOMPARE(info->executable.value_or(""), std::string("tool"));
        QCOMPARE(info->name.value_or(""), std::string("Notes"));
        QCOMPARE(info->iconFile.value_or(""), std::string("icon.png"));

        QCOMPARE(ToolFixture::pack({"bundle", "--name", "Notes", "--id", "app.veltrane.notes",
                                    "--version", "2.1", "--exec", program, out}).exitCode, 1);
        QCOMPARE(ToolFixture::pack({"bundle", "--name", "../Evil", "--id", "app.veltrane.notes",
                                    "--version", "2.1", "--exec", program, out}).exitCode, 1);
    }

    void imagesAreReproducible()
    {
        const QString app = fx.makeBundle(fx.path("repro"), "Notes", "app.veltrane.notes");
        QCOMPARE(ToolFixture::pack({"image", fx.path("a.dmg"), app}).exitCode, 0);
        QCOMPARE(ToolFixture::pack({"image", fx.path("b.dmg"), app}).exitCode, 0);
        QCOMPARE(TestFiles::read(fx.path("a.dmg")), TestFiles::read(fx.path("b.dmg")));
        QCOMPARE(ToolFixture::pack({"image", fx.path("c.dmg"), fx.path("repro")}).exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestPack)
#include "tst_pack.moc"
