#include "ToolFixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/xattr.h>

#include <cerrno>

namespace {

constexpr char quarantine[] = "com.apple.quarantine";

QByteArray attribute(const QString &path)
{
    char value[256];
    const ssize_t n = ::lgetxattr(QFile::encodeName(path).constData(), "user.com.apple.quarantine",
                                  value, sizeof value);
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

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fx.isValid());
        const QString probe = fx.path("probe");
        QVERIFY(TestFiles::write(probe, "x"));
        if (!setAttribute(probe) && (errno == ENOTSUP || errno == EPERM))
            QSKIP("the temporary folder's file system keeps no user extended attributes: xattr was not checked");
    }

    void writeListPrint()
    {
        const QString file = fx.path("file.txt");
        QVERIFY(TestFiles::write(file, "x"));
        QCOMPARE(fx.runTool("xattr", {"-w", quarantine, "0081;abc", file}).exitCode, 0);
        QCOMPARE(attribute(file), QByteArray("0081;abc"));
        const ToolRun listed = fx.runTool("xattr", {"-l", file});
        QCOMPARE(listed.exitCode, 0);
        QCOMPARE(listed.out, QString("com.apple.quarantine: 0081;abc\n"));
        QCOMPARE(fx.runTool("xattr", {"-p", quarantine, file}).out, QString("0081;abc\n"));
    }

    void removesRecursivelyWithoutFollowingLinks()
    {
        const QString app = fx.path("tree/Notes.app");
        const QString outside = fx.path("outside.txt");
        QVERIFY(TestFiles::write(app + "/Contents/MacOS/notes", "x"));
        QVERIFY(TestFiles::write(app + "/Contents/Resources/deep/file", "x"));
        QVERIFY(TestFiles::write(outside, "x"));
        QVERIFY(QFile::link(outside, app + "/Contents/Resources/link"));
        for (const QString &path : {app, app + "/Contents", app + "/Contents/MacOS/notes",
                                    app + "/Contents/Resources/deep/file", outside})
            QVERIFY(setAttribute(path));

        const ToolRun removed = fx.runTool("xattr", {"-dr", quarantine, app});
        QCOMPARE(removed.exitCode, 0);
        QVERIFY(removed.merged().isEmpty());
        for (const QString &path : {app, app + "/Contents", app + "/Contents/MacOS/notes",
                                    app + "/Contents/Resources/deep/file"})
            QVERIFY2(attribute(path).isEmpty(), qPrintable(path));
        QCOMPARE(attribute(outside), QByteArray("0081;x"));

        // The link itself as the operand is not followed either.
        QCOMPARE(fx.runTool("xattr", {"-dr", quarantine, app + "/Contents/Resources/link"}).exitCode, 0);
        QCOMPARE(attribute(outside), QByteArray("0081;x"));
        // Nothing left to remove is not an error.
        QCOMPARE(fx.runTool("xattr", {"-dr", quarantine, app}).exitCode, 0);
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing path") << QStringList {"-dr", quarantine, "MISSING"} << 1 << "No such file";
        QTest::newRow("no arguments") << QStringList {} << 2 << "Usage";
        QTest::newRow("write without value") << QStringList {"-w", quarantine, "FILE"} << 2 << "missing operand";
        QTest::newRow("two actions") << QStringList {"-d", "-w", quarantine, "v", "FILE"} << 2 << "only one";
        QTest::newRow("unknown option") << QStringList {"-z", "FILE"} << 2 << "unknown option";
        QTest::newRow("absent attribute") << QStringList {"-p", quarantine, "FILE"} << 1 << "No such xattr";
    }

    void errors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString file = fx.path("plain.txt");
        TestFiles::write(file, "x");
        arguments.replaceInStrings("FILE", file).replaceInStrings("MISSING", fx.path("missing"));
        const ToolRun run = fx.runTool("xattr", arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestXattr)
#include "tst_xattr.moc"
