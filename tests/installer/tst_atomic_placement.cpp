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
    return QDir(folder).entryList({QString(AtomicPlacement::stagingPrefix) + "*"},
                                  QDir::AllEntries | QDir::Hidden | QDir::System);
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
        const QString placed = AtomicPlacement::place(m_source, m_destination);
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

    void failureLeavesTheInstalledCopyAlone()
    {
        writeFile(m_destination + "/Notes.app/Contents/Info.plist", "old plist");
        QCOMPARE(::mkfifo(QFile::encodeName(m_source + "/Contents/pipe").constData(), 0644), 0);

        QVERIFY_THROWS_EXCEPTION(std::exception, AtomicPlacement::place(m_source, m_destination));
        QCOMPARE(TestFiles::read(m_destination + "/Notes.app/Contents/Info.plist"), QByteArray("old plist"));
        QVERIFY(stagingFolders(m_destination).isEmpty());
    }

    void removesReadOnlyTrees()
    {
        QVERIFY(TreeCopy::remove(m_source));
        QVERIFY(!QFileInfo::exists(m_source));
        QVERIFY(TreeCopy::remove(m_source));  // already gone is fine
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_source;
    QString m_destination;
};

QTEST_GUILESS_MAIN(TestAtomicPlacement)
#include "tst_atomic_placement.moc"
