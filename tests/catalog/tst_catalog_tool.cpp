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

    // Keys out of the format's order, an unknown key and an offset that the tool puts right.
    static QByteArray document(const QByteArray &sha256)
    {
        return R"({"version":1,"updatedAt":"2025-03-01T09:30:00Z","categories":[],"apps":[{"id":"a","name":"A",)"
               R"("tagline":"t","description":"d","version":"1","price":{"amount":4.90,"currency":"EUR"},"category":"c",)"
               R"("minimumSystemVersion":"14.0","screenshots":[],"downloadSHA256":"@","downloadSize":1048576,)"
               R"("download":"x.dmg","featured":false,"updated":"2025-03-01T10:30:00+01:00","unknown":[1]}]})"_ba
            .replace("@", sha256);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void validateReportsEachFile()
    {
        const QString good = write(u"good.json"_s, document(QByteArray(64, 'a')));
        const QString bad = write(u"bad.json"_s, document(QByteArray(64, 'A')));
        const QString missing = m_dir.filePath(u"missing.json"_s);

        Run r = run({u"validate"_s, good, bad, missing});
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], good + u": ok"_s);
        QCOMPARE(lines[1], bad + u": apps[0].downloadSHA256: expected 64 lower-case hexadecimal digits, found \""_s +
                               QString(64, u'A') + u'"');
        QVERIFY2(lines[2].startsWith(missing + u": cannot read"_s), qPrintable(lines[2]));
        QCOMPARE(r.exitCode, 1);

        r = run({u"validate"_s, good, good});
        QCOMPARE(r.exitCode, 0);
    }

    void formatWritesTheEncodersOutput()
    {
        const Run r = run({u"format"_s, write(u"format.json"_s, document(QByteArray(64, 'a')))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out,
                 R"({"version":1,"updatedAt":"2025-03-01T09:30:00Z","categories":[],"apps":[{"id":"a","name":"A",)"
                 R"("tagline":"t","description":"d","version":"1","price":{"amount":4.90,"currency":"EUR"},"category":"c",)"
                 R"("minimumSystemVersion":"14.0","screenshots":[],"download":"x.dmg","downloadSize":1048576,)"
                 R"("downloadSHA256":"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",)"
                 R"("featured":false,"updated":"2025-03-01T09:30:00Z"}]})"
                 "\n"_L1);
    }

    void formatRefusesWhatDoesNotDecode()
    {
        const QString bad = write(u"trailing.json"_s, document(QByteArray(64, 'a')) + "]");
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
