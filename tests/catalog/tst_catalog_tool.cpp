#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The maker's veltrane-catalog program, run as a user would.
class TestCatalogTool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    struct Run {
        int exitCode;
        QString out;
        QString err;
    };

    Run run(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(VELTRANE_CATALOG_TOOL), arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return {-1, {}, {}};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString write(const QString &name, const QByteArray &contents)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QByteArray minimalDocument(const QByteArray &featured)
    {
        return R"({"version":1,"updatedAt":"2025-03-01T09:30:00Z","categories":[],"apps":[{"id":"a","name":"A",)"
               R"("tagline":"t","description":"d","version":"1","price":{"amount":4.90,"currency":"EUR"},"category":"c",)"
               R"("minimumSystemVersion":"14.0","screenshots":[],"featured":)" +
               featured + R"(,"updated":"2025-03-01T10:30:00+01:00","unknown":[1]}]})";
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void validateReportsEachFile()
    {
        const QString good = write(u"good.json"_s, minimalDocument("true"));
        const QString bad = write(u"bad.json"_s, minimalDocument("1"));
        const QString missing = m_dir.filePath(u"missing.json"_s);

        Run r = run({u"validate"_s, good, bad, missing});
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], good + u": ok"_s);
        QCOMPARE(lines[1], bad + u": apps[0].featured: expected true or false"_s);
        QVERIFY2(lines[2].startsWith(missing + u": cannot read"_s), qPrintable(lines[2]));
        QCOMPARE(r.exitCode, 1);

        r = run({u"validate"_s, good, good});
        QCOMPARE(r.exitCode, 0);
    }

    void formatWritesTheEncodersOutput()
    {
        const Run r = run({u"format"_s, write(u"format.json"_s, minimalDocument("false"))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(
            r.out,
            QString::fromUtf8(
                R"({"version":1,"updatedAt":"2025-03-01T09:30:00Z","categories":[],"apps":[{"id":"a","name":"A",)"
                R"("tagline":"t","description":"d","version":"1","price":{"amount":4.90,"currency":"EUR"},"category":"c",)"
                R"("minimumSystemVersion":"14.0","screenshots":[],"featured":false,"updated":"2025-03-01T09:30:00Z"}]})"
                "\n"));
    }

    void formatRefusesWhatDoesNotDecode()
    {
        const QString bad = write(u"trailing.json"_s, minimalDocument("false") + "]");
        const Run r = run({u"format"_s, bad});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith(bad + u": not valid JSON"_s), qPrintable(r.err));
    }

    void badArgumentsShowUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QStringList();
        QTest::newRow("unknown command") << QStringList{u"check"_s, u"x.json"_s};
        QTest::newRow("validate without files") << QStringList{u"validate"_s};
        QTest::newRow("format two files") << QStringList{u"format"_s, u"a.json"_s, u"b.json"_s};
    }
    void badArgumentsShowUsage()
    {
        QFETCH(QStringList, arguments);
        const Run r = run(arguments);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.startsWith(u"usage: veltrane-catalog"_s));
    }
};

QTEST_GUILESS_MAIN(TestCatalogTool)
#include "tst_catalog_tool.moc"
