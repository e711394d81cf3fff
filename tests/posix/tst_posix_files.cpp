// Removing folder trees and reading Info.plist, shared by the Hub and the tools. (The keys
// and formats of Info.plist are tested through the discovery of installed apps.)

#include "TestFiles.h"
#include "posix/InfoPlist.h"
#include "posix/TreeRemoval.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>

namespace {

std::string local(const QString &path) { return QFile::encodeName(path).toStdString(); }

} // namespace

class TestPosixFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

private Q_SLOTS:
    void removesWithoutFollowingLinks()
    {
        QVERIFY(TestFiles::write(path("outside/keep.txt"), "keep"));
        QVERIFY(TestFiles::write(path("tree/Notes.app/Contents/MacOS/notes"), "x"));
        QVERIFY(QFile::link(path("outside"), path("tree/Notes.app/Contents/folder-link")));
        QVERIFY(QFile::link(path("outside/keep.txt"), path("tree/file-link")));
        QVERIFY(QFile::link(path("outside"), path("root-link")));

        QVERIFY(posix::removeTree(local(path("tree"))).ok());
        QVERIFY(posix::removeTree(local(path("root-link/"))).ok()); // the link, not its folder
        QVERIFY(!QFileInfo::exists(path("tree")));
        QVERIFY(!QFileInfo(path("root-link")).isSymLink());
        QCOMPARE(TestFiles::read(path("outside/keep.txt")), QByteArray("keep"));

        QVERIFY(posix::removeTree(local(path("missing"))).ok());
        QCOMPARE(posix::removeTree(local(path("outside/.."))).error, EINVAL);
    }

    // What is mounted inside a tree is not the tree's: a still attached image or a mount
    // in a staging folder must survive its removal.
    void stopsAtAnotherFileSystem()
    {
        const QString mountPoint = path("mounted/Notes.app/volume");
        QVERIFY(QDir().mkpath(mountPoint));
        QVERIFY(TestFiles::write(path("mounted/Notes.app/other.txt"), "x"));
        if (::mount("none", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, nullptr) != 0)
            QSKIP("cannot mount here (not root): removal stopping at a mount point was not checked");
        QVERIFY(TestFiles::write(mountPoint + "/precious.txt", "keep"));

        const posix::TreeRemoval removed = posix::removeTree(local(path("mounted")));
        const QByteArray precious = TestFiles::read(mountPoint + "/precious.txt");
        ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
        QCOMPARE(removed.error, EXDEV);
        QCOMPARE(QString::fromStdString(removed.path), mountPoint);
        QCOMPARE(precious, QByteArray("keep"));
        QVERIFY(!QFile::exists(path("mounted/Notes.app/other.txt"))); // the rest went
    }

    void readsOnlySmallFiles()
    {
        const QByteArray head = "<plist><dict><key>CFBundleIdentifier</key><string>";
        const QByteArray tail = "</string></dict></plist>";
        QVERIFY(TestFiles::write(path("small.plist"), head + "app.x" + tail));
        QVERIFY(TestFiles::write(path("large.plist"), head + QByteArray(8 * 1024 * 1024, 'a') + tail));
        const auto small = posix::InfoPlist::read(local(path("small.plist")));
        QVERIFY(small && small->identifier == "app.x");
        QVERIFY(!posix::InfoPlist::read(local(path("large.plist"))));
    }

    // Anyone can put a named pipe where a bundle's Info.plist belongs; the scans of installed
    // and running apps must not wait on it.
    void neverWaitsOnAPipe()
    {
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
        QVERIFY(!posix::InfoPlist::read(local(path("fifo"))));
    }
};

QTEST_GUILESS_MAIN(TestPosixFiles)
#include "tst_posix_files.moc"
