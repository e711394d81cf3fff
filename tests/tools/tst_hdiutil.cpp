// hdiutil and the disk images veltrane-pack makes, run as programs: attach and detach, what
// they refuse, and the image's description pack prints for the catalogue.

#include "ToolFixture.h"

#include "service/DiskImageAttach.h"

#include <QCryptographicHash>
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
    QString image, runtimeDir;
    ToolRun packed;

    ToolRun hdiutil(const QStringList &arguments, bool unpack = false, const QString &folder = {}) const
    {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        if (unpack)
            env.insert("VELTRANE_HDIUTIL_NO_FUSE", "1");
        return ToolFixture::run(fx.tool("hdiutil"), arguments, env, folder);
    }

    ToolRun attach(const QString &path, bool unpack, const QString &folder = {}) const
    {
        return hdiutil({"attach", path, "-nobrowse", "-readonly", "-noverify", "-plist"}, unpack, folder);
    }

    ToolRun detach(const QString &mountPoint) const { return hdiutil({"detach", mountPoint, "-quiet"}); }

    // The installer reads the mount point this way.
    static QString mountPointOf(const ToolRun &run) { return DiskImageAttach::mountPoint(run.out).value_or(QString()); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fx.isValid());
        runtimeDir = fx.path("runtime");
        QDir().mkpath(runtimeDir);
        QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        image = fx.path("good.dmg");
        packed = ToolFixture::pack({"image", image, fx.makeBundle(fx.path("good"), "Notes", "app.veltrane.notes")});
        QCOMPARE(packed.exitCode, 0);
        QByteArray bytes = TestFiles::read(image);
        for (qsizetype i = 200; i < bytes.size() - 200; ++i)
            bytes[i] = static_cast<char>(i * 7);
        TestFiles::write(fx.path("broken.dmg"), bytes);
        QVERIFY(QFile::copy(image, fx.path("-plist")));
    }

    // A failed check must not leave mounts behind for the next one.
    void cleanup()
    {
        for (const QString &folder : QDir(runtimeDir).entryList({"veltrane-hdiutil.*"}, QDir::Dirs))
            detach(runtimeDir + "/" + folder + "/volume");
    }

    // The maker copies these into the catalogue, which pins the download to them.
    void packDescribesTheImage()
    {
        const QByteArray bytes = TestFiles::read(image);
        const QByteArray sha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        QCOMPARE(packed.out, QString("%1\n\"downloadSize\": %2,\n\"downloadSHA256\": \"%3\"\n")
                                 .arg(image).arg(bytes.size()).arg(QString::fromLatin1(sha256)));
    }

    void roundTrip_data()
    {
        QTest::addColumn<bool>("unpack");
        QTest::newRow("fuse") << false;
        QTest::newRow("unpacked") << true;
    }

    // The argument after the verb is always the image, whatever its first character.
    void roundTrip()
    {
        QFETCH(bool, unpack);
        const ToolRun attached = attach("-plist", unpack, fx.path(""));
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
        QCOMPARE(TestFiles::read(app + "/Contents/Resources/current"), QByteArray("read me\n"));
        if (unpack) {
            const auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
            QCOMPARE(QFileInfo(app + "/Contents/Resources/readme.txt").permissions() & writeBits, QFile::Permissions());
            QCOMPARE(QFileInfo(app + "/Contents").permissions() & writeBits, QFile::Permissions());
        } else {
            struct statvfs fs {};
            QCOMPARE(::statvfs(QFile::encodeName(app).constData(), &fs), 0);
            QVERIFY(fs.f_flag & ST_RDONLY);
        }

        const ToolRun detached = detach(mountPoint);
        QCOMPARE(detached.exitCode, 0);
        QVERIFY(detached.out.isEmpty());
        QVERIFY(!QFileInfo::exists(parent.absoluteFilePath()));
        QVERIFY(!isListedAsMount(mountPoint));
    }

    void refusedImagesLeaveNothing()
    {
        for (const auto &[path, message] : {std::pair("notes", "image not recognized"), {"missing.dmg", "No such file or directory"},
                                             {"broken.dmg", "corrupt image"}}) {
            const ToolRun run = attach(fx.path(path), true);
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.startsWith(QString("hdiutil: attach failed - ") + message), qPrintable(run.err));
            QVERIFY(run.out.isEmpty());
            QCOMPARE(QDir(runtimeDir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        }
    }

    // detach removes folders; it must refuse anything it did not make, even a look-alike of its own.
    void detachRefusesOtherFolders()
    {
        for (const QString folder : {"victim/volume", "runtime/veltrane-hdiutil.ABCDEF/volume"}) {
            const QString target = fx.path(folder);
            QVERIFY(TestFiles::write(target + "/precious.txt", "keep"));
            QFile::setPermissions(QFileInfo(target).absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            const ToolRun run = detach(target);
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err, "hdiutil: detach failed - not a mounted image: " + target + "\n");
            QVERIFY(QFile::exists(target + "/precious.txt"));
            QDir(fx.path(folder.section('/', 0, 1))).removeRecursively();
        }
    }
};

QTEST_GUILESS_MAIN(TestHdiutil)
#include "tst_hdiutil.moc"
