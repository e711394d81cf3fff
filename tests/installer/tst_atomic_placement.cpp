#include "SmallDisk.h"
#include "TestFiles.h"
#include "platform/AtomicPlacement.h"
#include "platform/TreeCopy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {
void writeFile(const QString &path, const QByteArray &content, mode_t mode = 0644)
{
    QVERIFY(TestFiles::write(path, content));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

mode_t modeOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode;
}

QByteArray attribute(const QString &path, const char *name)
{
    char value[256];
    const ssize_t n = ::getxattr(QFile::encodeName(path).constData(), name, value, sizeof value);
    return n < 0 ? QByteArray() : QByteArray(value, n);
}

QString linkTarget(const QString &path)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(target, n));
}

QStringList stagingFolders(const QString &folder)
{
    return QDir(folder).entryList({QString(StagingFolder::prefix) + "*"}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

QString place(const QString &bundle, const QString &folder)
{
    AtomicPlacement placement(folder, QFileInfo(bundle).fileName(), "run");
    placement.stage(bundle);
    placement.commit();
    return placement.destination();
}
} // namespace

class TestAtomicPlacement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_source = m_dir->filePath("image/Notes.app");
        m_destination = m_dir->filePath("Applications");
        QDir().mkpath(m_destination);
        writeFile(m_source + "/Contents/Info.plist", "plist");
        writeFile(m_source + "/Contents/MacOS/Notes", "#!/bin/sh\n", 04755);
        writeFile(m_source + "/Contents/Resources/data.bin", QByteArray(300000, 'x'), 0444);
        QVERIFY(QFile::link("../Resources/data.bin", m_source + "/Contents/MacOS/data"));
        QVERIFY(QFile::link("/etc/passwd", m_source + "/Contents/outside"));
        QCOMPARE(::setxattr(QFile::encodeName(m_source + "/Contents/Info.plist").constData(),
                            "user.test", "kept", 4, 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(m_source + "/Contents/Resources").constData(), 0555), 0);
    }

    void cleanup()
    {
        TreeCopy::remove(m_dir->path());  // read-only folders need opening up first
        m_dir.reset();
    }

    void placesAFreshCopy()
    {
        const QString placed = place(m_source, m_destination);
        QCOMPARE(placed, m_destination + "/Notes.app");
        QCOMPARE(TestFiles::read(placed + "/Contents/Info.plist"), QByteArray("plist"));
        QCOMPARE(TestFiles::read(placed + "/Contents/Resources/data.bin"), QByteArray(300000, 'x'));
        QCOMPARE(modeOf(placed + "/Contents/Resources/data.bin") & 07777, mode_t(0444));
        QCOMPARE(modeOf(placed + "/Contents/Resources") & 07777, mode_t(0555));
        // executable kept, set-user-ID dropped
        QCOMPARE(modeOf(placed + "/Contents/MacOS/Notes") & 07777, mode_t(0755));
        // links stay links, never followed
        QVERIFY(S_ISLNK(modeOf(placed + "/Contents/outside")));
        QCOMPARE(linkTarget(placed + "/Contents/outside"), QString("/etc/passwd"));
        QCOMPARE(linkTarget(placed + "/Contents/MacOS/data"), QString("../Resources/data.bin"));
        QCOMPARE(attribute(placed + "/Contents/Info.plist", "user.test"), QByteArray("kept"));
        QVERIFY(stagingFolders(m_destination).isEmpty());
    }

    void aFullDiskKeepsTheInstalledCopy()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small file system: copying onto a full disk was not checked");
        // Room for the bytes, not for the files: the free-space check passes, the copy fails.
        const SmallDisk disk(m_destination, "size=8m,nr_inodes=12");
        QVERIFY(disk.mounted());
        writeFile(m_destination + "/Notes.app/Contents/Info.plist", "old plist");

        try {
            place(m_source, m_destination);
            QFAIL("placed on a full disk");
        } catch (const std::runtime_error &error) {
            QCOMPARE(QString::fromUtf8(error.what()).section(": ", -1),
                     QString("No space left on device."));
            QVERIFY2(QString::fromUtf8(error.what()).contains("” into " + m_destination + ": "), error.what());
        }
        QCOMPARE(TestFiles::read(m_destination + "/Notes.app/Contents/Info.plist"), QByteArray("old plist"));
        QVERIFY(stagingFolders(m_destination).isEmpty());
    }

    void refusesTreesNestedTooDeeply()
    {
        QString deep = m_source + "/Contents";
        for (int i = 0; i < 300; ++i)
            deep += "/d";
        QVERIFY(QDir().mkpath(deep));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, place(m_source, m_destination));
        QVERIFY(!QFileInfo::exists(m_destination + "/Notes.app"));
        QVERIFY(stagingFolders(m_destination).isEmpty());
    }

    void sweepRemovesOnlyWhatAbandonedRunsMarked()
    {
        const auto stage = [&](const QString &name, const QByteArray &marker) {
            const QString path = m_destination + "/" + StagingFolder::prefix + name;
            QDir().mkpath(path + "/Notes.app/Contents");
            ::chmod(QFile::encodeName(path).constData(), 0700);
            if (!marker.isEmpty())
                TestFiles::write(path + "/" + StagingFolder::markerName, marker);
            return path;
        };
        const QString abandoned = stage("gone00", "gone"), running = stage("alive0", "alive"), unmarked = stage("none00", {});
        const QString lookalike = m_destination + "/" + StagingFolder::prefix + "shared";
        QDir().mkpath(lookalike);
        TestFiles::write(lookalike + "/" + StagingFolder::markerName, "gone");  // open to others: not ours

        QCOMPARE(StagingFolder::sweep(m_destination, [](const QByteArray &marker) { return marker == "gone"; }), 1);
        QVERIFY(!QFileInfo::exists(abandoned));
        for (const QString &kept : {running, unmarked, lookalike})
            QVERIFY2(QFileInfo::exists(kept), qPrintable(kept));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_source;
    QString m_destination;
};

QTEST_GUILESS_MAIN(TestAtomicPlacement)
#include "tst_atomic_placement.moc"
