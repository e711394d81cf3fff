// xattr, run as a program on real files, the way the installer runs it: -dr on an installed
// app. (Its -w, -l and -p are for people at a terminal; nothing in the Hub uses them.)

#include "ToolFixture.h"

#include <QFile>
#include <QTest>

#include <sys/xattr.h>

#include <cerrno>

namespace {

constexpr char quarantine[] = "com.apple.quarantine";

QByteArray attribute(const QString &path)
{
    char value[256];
    const ssize_t n = ::lgetxattr(QFile::encodeName(path).constData(), "user.com.apple.quarantine", value, sizeof value);
    return n < 0 ? QByteArray() : QByteArray(value, static_cast<int>(n));
}

bool setAttribute(const QString &path)
{
    return ::setxattr(QFile::encodeName(path).constData(), "user.com.apple.quarantine", "0081;x", 6, 0) == 0;
}

} // namespace

class TestXattr : public QObject {
    Q_OBJECT

    ToolFixture fx;
    const QString file = fx.path("file.txt");

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TestFiles::write(file, "x"));
        if (!setAttribute(file) && (errno == ENOTSUP || errno == EPERM))
            QSKIP("the temporary folder's file system keeps no user extended attributes: xattr was not checked");
    }

    void removesRecursivelyWithoutFollowingLinks()
    {
        const QString app = fx.path("tree/Notes.app");
        const QString outside = fx.path("outside.txt");
        const QStringList inside = {app, app + "/Contents", app + "/Contents/MacOS/notes", app + "/Contents/Resources/deep/file"};
        QVERIFY(TestFiles::write(inside[2], "x") && TestFiles::write(inside[3], "x") && TestFiles::write(outside, "x"));
        QVERIFY(QFile::link(outside, app + "/Contents/Resources/link"));
        for (const QString &path : inside + QStringList {outside})
            QVERIFY(setAttribute(path));

        const ToolRun removed = fx.runTool("xattr", {"-dr", quarantine, app});
        QCOMPARE(removed.exitCode, 0);
        QCOMPARE(removed.merged(), QString());
        for (const QString &path : inside)
            QVERIFY2(attribute(path).isEmpty(), qPrintable(path));
        QCOMPARE(attribute(outside), QByteArray("0081;x"));
        QCOMPARE(fx.runTool("xattr", {"-dr", quarantine, app + "/Contents/Resources/link"}).exitCode, 0);
        QCOMPARE(attribute(outside), QByteArray("0081;x"));
        QCOMPARE(fx.runTool("xattr", {"-dr", quarantine, app}).exitCode, 0); // nothing left
        const ToolRun missing = fx.runTool("xattr", {"-dr", quarantine, fx.path("missing")});
        QCOMPARE(missing.exitCode, 1);
        QCOMPARE(missing.err, "xattr: No such file: " + fx.path("missing") + "\n");
    }
};

QTEST_GUILESS_MAIN(TestXattr)
#include "tst_xattr.moc"
