#include "ToolFixture.h"

#include "posix/InfoPlist.h"

#include <QCryptographicHash>
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
const auto mode644 = mode600 | QFile::ReadGroup | QFile::ReadOther;
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
        QCOMPARE(ToolFixture::pack({"root-key", root}).exitCode, 1);
        QCOMPARE(TestFiles::read(root + ".key"), secret);

        const QStringList identity = {"identity", "--root", root + ".key", "--team", "K3Q8ZT52WM", "--name", "Veltrane Labs"};
        const ToolRun made = ToolFixture::pack(identity + QStringList {fx.path("team")});
        QCOMPARE(made.exitCode, 0);
        QCOMPARE(modeBits(fx.path("team.key")), mode600);
        QVERIFY(!made.merged().contains(QString::fromLatin1(secret.mid(secret.indexOf("seed ") + 5, 20))));

        // A secret others can read is refused, as ssh refuses such keys.
        QFile::setPermissions(root + ".key", mode644);
        const ToolRun exposed = ToolFixture::pack(identity + QStringList {fx.path("team2")});
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
        const ToolRun run = ToolFixture::pack({"identity", "--root", root + ".key", "--team", team, "--name", name, fx.path("bad")});
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
        const QStringList notes = {"bundle", "--name", "Notes", "--id", "app.veltrane.notes", "--version", "2.1", "--exec", program};
        const ToolRun made = ToolFixture::pack(notes + QStringList {"--icon", icon, out});
        QCOMPARE(made.exitCode, 0);
        const QString app = out + "/Notes.app";
        QCOMPARE(made.out, app + "\n");
        QCOMPARE(modeBits(app + "/Contents/MacOS/tool"), mode755);
        QVERIFY(QFile::exists(app + "/Contents/Resources/icon.png"));
        const QByteArray xml = TestFiles::read(app + "/Contents/Info.plist");
        QVERIFY(xml.startsWith("<?xml"));
        const auto info = posix::InfoPlist::parse(xml.toStdString());
        QVERIFY(info);
        const auto key = [](const std::optional<std::string> &value) { return QString::fromStdString(value.value_or("-")); };
        QCOMPARE(QStringList({key(info->identifier), key(info->shortVersion), key(info->executable), key(info->name),
                              key(info->iconFile)}),
                 QStringList({"app.veltrane.notes", "2.1", "tool", "Notes", "icon.png"}));

        QCOMPARE(ToolFixture::pack(notes + QStringList {out}).exitCode, 1); // exists already
        QCOMPARE(ToolFixture::pack({"bundle", "--name", "../Evil", "--id", "app.veltrane.notes", "--version", "2.1",
                                    "--exec", program, out}).exitCode, 1);
        TestFiles::write(fx.path("apps/file"), "x");
        const ToolRun intoFile = ToolFixture::pack(notes + QStringList {fx.path("apps/file")});
        QCOMPARE(intoFile.exitCode, 1);
        QVERIFY2(intoFile.err.contains(fx.path("apps/file") + ": not a folder"), qPrintable(intoFile.err));
    }

    // The size and hash a maker copies into the catalogue describe the very image written, and
    // the same bundle gives the same image.
    void imagesAreReproducibleAndDescribed()
    {
        const QString app = fx.makeBundle(fx.path("repro"), "Notes", "app.veltrane.notes");
        const ToolRun first = ToolFixture::pack({"image", fx.path("a.dmg"), app});
        QCOMPARE(first.exitCode, 0);
        QCOMPARE(ToolFixture::pack({"image", fx.path("b.dmg"), app}).exitCode, 0);
        const QByteArray image = TestFiles::read(fx.path("a.dmg"));
        QCOMPARE(TestFiles::read(fx.path("b.dmg")), image);
        const QString sha256 = QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex());
        QCOMPARE(first.out, QString("%1\n\"downloadSize\": %2,\n\"downloadSHA256\": \"%3\"\n")
                                .arg(fx.path("a.dmg")).arg(image.size()).arg(sha256));
        QCOMPARE(ToolFixture::pack({"image", fx.path("c.dmg"), fx.path("repro")}).exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestPack)
#include "tst_pack.moc"
