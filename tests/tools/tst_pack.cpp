#include "ToolFixture.h"

#include "Files.h"
#include "InfoPlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>

#include <plist/plist.h>

#include <cstdlib>

namespace {

QFile::Permissions modeBits(const QString &path)
{
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

const auto mode600 = QFile::ReadOwner | QFile::WriteOwner;
const auto mode644 = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
const auto mode755 = mode644 | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

QString mountPointOf(const QString &plistText)
{
    const QByteArray xml = plistText.toUtf8();
    plist_t root = nullptr;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &root);
    plist_t entities = root ? plist_dict_get_item(root, "system-entities") : nullptr;
    plist_t entity = entities ? plist_array_get_item(entities, 0) : nullptr;
    plist_t mount = entity ? plist_dict_get_item(entity, "mount-point") : nullptr;
    char *value = nullptr;
    if (mount)
        plist_get_string_val(mount, &value);
    const QString result = QString::fromUtf8(value);
    std::free(value);
    plist_free(root);
    return result;
}

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
        QFile key(root + ".key");
        QVERIFY(key.open(QIODevice::ReadOnly));
        const QByteArray secret = key.readAll();
        key.close();

        const ToolRun again = ToolFixture::pack({"root-key", root});
        QCOMPARE(again.exitCode, 1);
        QFile unchanged(root + ".key");
        QVERIFY(unchanged.open(QIODevice::ReadOnly));
        QCOMPARE(unchanged.readAll(), secret);

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
        writeText(program, "#!/bin/sh\n");
        writeText(icon, "PNG");
        const QString out = fx.path("apps");
        QDir().mkpath(out);
        const ToolRun made = ToolFixture::pack({"bundle", "--name", "Notes", "--id", "app.veltrane.notes",
                                                "--version", "2.1", "--exec", program, "--icon", icon, out});
        QCOMPARE(made.exitCode, 0);
        const QString app = out + "/Notes.app";
        QCOMPARE(modeBits(app + "/Contents/MacOS/tool"), mode755);
        QVERIFY(QFile::exists(app + "/Contents/Resources/icon.png"));
        QFile plist(app + "/Contents/Info.plist");
        QVERIFY(plist.open(QIODevice::ReadOnly));
        const QByteArray xml = plist.readAll();
        QVERIFY(xml.startsWith("<?xml"));
        const auto info = vtools::InfoPlist::parse(xml.toStdString());
        QVERIFY(info);
        QCOMPARE(info->identifier, std::string("app.veltrane.notes"));
        QCOMPARE(info->version, std::string("2.1"));
        QCOMPARE(info->executable, std::string("tool"));
        QCOMPARE(info->name, std::string("Notes"));
        QCOMPARE(info->iconFile, std::string("icon.png"));

        QCOMPARE(ToolFixture::pack({"bundle", "--name", "Notes", "--id", "app.veltrane.notes",
                                    "--version", "2.1", "--exec", program, out}).exitCode, 1);
        QCOMPARE(ToolFixture::pack({"bundle", "--name", "../Evil", "--id", "app.veltrane.notes",
                                    "--version", "2.1", "--exec", program, out}).exitCode, 1);
    }

    // What a maker does, then what the installer does, all with the real tools.
    void endToEnd()
    {
        const QString root = fx.makeRoot("maker");
        fx.trust(root);
        const QString identity = fx.makeIdentity(root, "K3Q8ZT52WM", "Veltrane Labs");
        const QString first = fx.makeBundle(fx.path("e2e"), "Notes", "app.veltrane.notes");
        const QString second = fx.makeBundle(fx.path("e2e"), "Sketch", "app.veltrane.sketch");
        QCOMPARE(fx.sign(first, identity).exitCode, 0);
        QCOMPARE(fx.sign(second, identity).exitCode, 0);
        const QString dmg = fx.path("Notes-1.0.dmg");
        QCOMPARE(ToolFixture::pack({"image", dmg, first, second}).exitCode, 0);

        const ToolRun attached = fx.runTool("hdiutil", {"attach", dmg, "-nobrowse", "-readonly", "-noverify", "-plist"});
        QCOMPARE(attached.exitCode, 0);
        const QString mountPoint = mountPointOf(attached.out);
        QVERIFY2(!mountPoint.isEmpty(), qPrintable(attached.merged()));
        auto detachOnFailure = qScopeGuard([&] { fx.runTool("hdiutil", {"detach", mountPoint, "-quiet"}); });
        QCOMPARE(QDir(mountPoint).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList({"Notes.app", "Sketch.app"}));
        const QString app = mountPoint + "/Notes.app";
        QCOMPARE(fx.runTool("codesign", {"--verify", "--deep", "--strict", app}).exitCode, 0);
        QVERIFY(fx.runTool("codesign", {"-dv", app}).err.contains("TeamIdentifier=K3Q8ZT52WM"));
        const ToolRun assessed = fx.runTool("spctl", {"-a", "-vv", "-t", "exec", app});
        QCOMPARE(assessed.exitCode, 0);
        QVERIFY(assessed.err.contains(app + ": accepted\nsource=Veltrane Developer ID\norigin=Veltrane Labs (K3Q8ZT52WM)\n"));
        detachOnFailure.dismiss();
        QCOMPARE(fx.runTool("hdiutil", {"detach", mountPoint, "-quiet"}).exitCode, 0);
        QVERIFY(!QFileInfo::exists(mountPoint));
    }

    void imagesAreReproducible()
    {
        const QString app = fx.makeBundle(fx.path("repro"), "Notes", "app.veltrane.notes");
        QCOMPARE(ToolFixture::pack({"image", fx.path("a.dmg"), app}).exitCode, 0);
        QCOMPARE(ToolFixture::pack({"image", fx.path("b.dmg"), app}).exitCode, 0);
        QFile a(fx.path("a.dmg")), b(fx.path("b.dmg"));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        QCOMPARE(ToolFixture::pack({"image", fx.path("c.dmg"), fx.path("repro")}).exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestPack)
#include "tst_pack.moc"
