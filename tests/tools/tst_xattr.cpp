// xattr, run as a program on real files.

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

    void writeListPrint()
    {
        QCOMPARE(fx.runTool("xattr", {"-w", quarantine, "0081;abc", file}).exitCode, 0);
        QCOMPARE(attribute(file), QByteArray("0081;abc"));
        QCOMPARE(fx.runTool("xattr", {"-l", file}).out, QString("com.apple.quarantine: 0081;abc\n"));
        QCOMPARE(fx.runTool("xattr", {"-p", quarantine, file}).out, QString("0081;abc\n"));
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
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing path") << QStringList {"-dr", quarantine, "MISSING"} << 1 << "xattr: No such file: MISSING\n";
        QTest::newRow("no value") << QStringList {"-w", quarantine, "FILE"} << 2 << "xattr: missing operand\nUsage: xattr";
        QTest::newRow("absent attribute") << QStringList {"-p", "com.apple.other", "FILE"} << 1
                                          << "FILE: No such xattr: com.apple.other\n";
    }

    void errors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        arguments.replaceInStrings("FILE", file).replaceInStrings("MISSING", fx.path("missing"));
        const ToolRun run = fx.runTool("xattr", arguments);
        QTEST(run.exitCode, "exitCode");
        QVERIFY2(run.err.contains(message.replace("FILE", file).replace("MISSING", fx.path("missing"))), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestXattr)
#include "tst_xattr.moc"
