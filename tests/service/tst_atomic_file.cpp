#include "SmallDisk.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Whole-file writes: the new content in full, or the old file untouched and no leftovers.
class TestAtomicFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QByteArray m_old = "old content\n";
    const QByteArray m_new = QByteArray(20000, 'n');

    QString seeded(const QString &folder)
    {
        const QString path = folder + QStringLiteral("/file.json");
        QDir().mkpath(folder);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_old) != m_old.size())
            qFatal("cannot seed %s", qPrintable(path));
        return path;
    }

    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }

    // The old content is still there, and nothing else is left in the folder.
    void keptTheOldFile(const QString &path)
    {
        QCOMPARE(read(path), m_old);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("file.json")});
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void replacesWholeFileWithItsMode()
    {
        const QString path = seeded(m_dir.filePath(QStringLiteral("plain")));
        const AtomicFile::Result result = AtomicFile::write(path, m_new, 0600);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(read(path), m_new);
        QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(QDir(m_dir.filePath(QStringLiteral("plain"))).entryList(QDir::Files | QDir::Hidden).size(), 1);

        const QString missing = m_dir.filePath(QStringLiteral("no/such/folder/file.json"));
        QVERIFY(!AtomicFile::write(missing, m_new).ok());
    }

    void fullDiskKeepsTheOldFile()
    {
        const QString folder = m_dir.filePath(QStringLiteral("small"));
        SmallDisk disk(folder);
        if (!disk.mounted())
            QSKIP("not checked: a write that fills a real disk (mounting a small tmpfs needs root); "
                  "fileSizeLimitKeepsTheOldFile checks a write that the system cuts short");
        const QString path = seeded(folder);
        QVERIFY(disk.fill(8192)); // room for part of the new content only

        const AtomicFile::Result result = AtomicFile::write(path, m_new);
        QVERIFY(!result.ok());
        QVERIFY2(result.error.contains(path) && result.error.contains(QString::fromLocal8Bit(strerror(ENOSPC))),
                 qPrintable(result.error));
        QFile::remove(folder + QStringLiteral("/.filler"));
        keptTheOldFile(path);
    }

    // A file-size limit cuts the write short the way a full disk does, without root. It
    // applies to the whole process, so it is set in a child.
    void fileSizeLimitKeepsTheOldFile()
    {
        const QString path = seeded(m_dir.filePath(QStringLiteral("limited")));
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing
            const rlimit limit{8192, 8192};
            const bool failed = ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && !AtomicFile::write(path, m_new).ok();
            ::_exit(failed ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the limited write did not fail");
        keptTheOldFile(path);
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomic_file.moc"
