#include "ToolFixture.h"

#include "service/DiskImageAttach.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/statvfs.h>

namespace {

bool isListedAsMount(const QString &path)
{
    QFile mounts("/proc/self/mountinfo");
    return mounts.open(QIODevice::ReadOnly) && mounts.readAll().contains(" " + path.toUtf8() + " ");
}

} // namespace

class TestHdiutil : public QObject {
    Q_OBJECT

    ToolFixture fx;
    QString goodImage, runtimeDir;

    QProcessEnvironment environment(bool unpack) const
    {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        if (unpack)
            env.insert("VELTRANE_HDIUTIL_NO_FUSE", "1");
        return env;
    }

    ToolRun attach(const QString &image, bool unpack) const
    {
        return ToolFixture::run(fx.tool("hdiutil"), {"attach", image, "-nobrowse", "-readonly", "-noverify", "-plist"},
                                environment(unpack));
    }

    ToolRun detach(const QString &mountPoint) const
    {
        return ToolFixture::run(fx.tool("hdiutil"), {"detach", mountPoint, "-quiet"}, environment(false));
    }

    // The installer reads the mount point this way.
    static QString mountPointOf(const ToolRun &run) { return DiskImageAttach::mountPoint(run.out).value_or(QString()); }

    QStringList runtimeEntries() const { return QDir(runtimeDir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fx.isValid());
        runtimeDir = fx.path("runtime");
        QDir().mkpath(runtimeDir);
        QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString root = fx.makeRoot("root");
        fx.trust(root);
        const QString app = fx.makeBundle(fx.path("good"), "Notes", "app.veltrane.notes");
        fx.sign(app, fx.makeIdentity(root, "K3Q8ZT52WM", "Veltrane Labs"));
        goodImage = fx.path("good.dmg");
        QCOMPARE(ToolFixture::pack({"image", goodImage, app}).exitCode, 0);

        QByteArray bytes = TestFiles::read(goodImage);
        for (qsizetype i = 200; i < bytes.size() - 200; ++i)
            bytes[i] = static_cast<char>(i * 7);
        TestFiles::write(fx.path("broken.dmg"), bytes);
    }

    // A failed check must not leave mounts behind for the next one.
    void cleanup()
    {
        for (const QString &folder : QDir(runtimeDir).entryList({"veltrane-hdiutil.*"}, QDir::Dirs))
            detach(runtimeDir + "/" + folder + "/volume");
    }

    void roundTrip_data()
    {
        QTest::addColumn<bool>("unpack");
        QTest::newRow("fuse") << false;
        QTest::newRow("unpacked") << true;
    }

    void roundTrip()
    {
        QFETCH(bool, unpack);
        const ToolRun attached = attach(goodImage, unpack);
        QCOMPARE(attached.exitCode, 0);
        const QString mountPoint = mountPointOf(attached);
        QVERIFY2(!mountPoint.isEmpty(), qPrintable(attached.merged()));
        if (!unpack && attached.out.contains("<string>unpacked</string>")) {
            detach(mountPoint);
            QSKIP("FUSE cannot be used here (no /dev/fuse access or squashfuse failed): the FUSE mount round trip was not checked");
        }

        // A fresh private folder under the runtime folder, not a shared predictable name.
        const QFileInfo parent(QFileInfo(mountPoint).absolutePath());
        QCOMPARE(parent.absolutePath(), QFileInfo(runtimeDir).canonicalFilePath());
        QCOMPARE(parent.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), QFile::Permissions());
        QCOMPARE(isListedAsMount(mountPoint), !unpack);

        const QString app = mountPoint + "/Notes.app";
        QVERIFY(QFileInfo(app + "/Contents/MacOS/notes").isExecutable());
        if (unpack) {
            const auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
            QCOMPARE(QFileInfo(app + "/Contents/Resources/readme.txt").permissions() & writeBits, QFile::Permissions());
            QCOMPARE(QFileInfo(app + "/Contents").permissions() & writeBits, QFile::Permissions());
        } else {
            struct statvfs fs {};
            QCOMPARE(::statvfs(QFile::encodeName(app).constData(), &fs), 0);
            QVERIFY(fs.f_flag & ST_RDONLY);
        }
        QCOMPARE(fx.runTool("codesign", {"--verify", "--deep", "--strict", app}).exitCode, 0);
        QCOMPARE(fx.runTool("spctl", {"-a", "-vv", "-t", "exec", app}).exitCode, 0);

        const ToolRun detached = detach(mountPoint);
        QCOMPARE(detached.exitCode, 0);
        QVERIFY(detached.out.isEmpty());
        QVERIFY(!QFileInfo::exists(parent.absoluteFilePath()));
        QVERIFY(!isListedAsMount(mountPoint));
    }

    void refusedImagesLeaveNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("text file") << "notes" << "hdiutil: attach failed - image not recognized";
        QTest::newRow("folder") << "good" << "hdiutil: attach failed - image not recognized";
        QTest::newRow("missing") << "missing.dmg" << "hdiutil: attach failed - No such file or directory";
        QTest::newRow("corrupt") << "broken.dmg" << "hdiutil: attach failed - corrupt image";
    }

    void refusedImagesLeaveNothing()
    {
        QFETCH(QString, path);
        QFETCH(QString, message);
        const ToolRun run = attach(fx.path(path), true);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith(message), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(runtimeEntries(), QStringList());
    }

    // detach removes folders; it must refuse anything it did not make.
    void detachRefusesOtherFolders_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain folder") << "victim/volume";
        QTest::newRow("lookalike without record") << "runtime/veltrane-hdiutil.ABCDEF/volume";
        QTest::newRow("not a volume") << "victim";
    }

    void detachRefusesOtherFolders()
    {
        QFETCH(QString, folder);
        const QString target = fx.path(folder);
        QDir().mkpath(target);
        QFile::setPermissions(QFileInfo(target).absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(TestFiles::write(target + "/precious.txt", "keep"));
        const ToolRun run = detach(target);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("hdiutil: detach failed"), qPrintable(run.err));
        QVERIFY(QFile::exists(target + "/precious.txt"));
        QDir(fx.path(folder.section('/', 0, 1))).removeRecursively();
    }

    // The argument after the verb is always the image, whatever its first character.
    void imagePathBeginningWithDash()
    {
        QVERIFY(QFile::copy(goodImage, fx.path("-plist")));
        const ToolRun run = ToolFixture::run(fx.tool("hdiutil"), {"attach", "-plist", "-plist"}, environment(true), fx.path(""));
        QCOMPARE(run.exitCode, 0);
        const QString mountPoint = mountPointOf(run);
        QVERIFY(QFileInfo::exists(mountPoint + "/Notes.app"));
        QCOMPARE(detach(mountPoint).exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(TestHdiutil)
#include "tst_hdiutil.moc"
