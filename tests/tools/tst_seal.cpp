// The seal's building blocks, where a slip would open a hole:
// - a link is inside only if every step of its resolution stays in the bundle
// - a manifest escapes its paths and reads back equal
// - a manifest in any non-canonical form (order, escapes, hashes, line ends) is refused
// - a certificate's signature covers every field; extra text and bad names are refused
// - an escaped value can carry no "=", line feed, backslash or terminal escape

#include "Certificate.h"
#include "LinkCheck.h"
#include "Manifest.h"
#include "Text.h"

#include <QTest>

using namespace vtools;

class TestSeal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void links_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("inside");
        QTest::newRow("sibling") << "readme.txt" << true;
        QTest::newRow("folder") << "../MacOS" << true;
        QTest::newRow("bundle root") << "../.." << true;
        QTest::newRow("above the root") << "../../.." << false;
        QTest::newRow("absolute") << "/etc/passwd" << false;
        QTest::newRow("missing") << "nothing" << false;
        QTest::newRow("through a file") << "readme.txt/x" << false;
        QTest::newRow("chain inside") << "up/MacOS/notes" << true;
        QTest::newRow("chain out") << "up/../.." << false; // lexically inside, really outside
        QTest::newRow("loop") << "loop" << false;
        QTest::newRow("through outward link") << "out/x" << false;
        QTest::newRow("dots and slashes") << ".//./readme.txt" << true;
    }

    void links()
    {
        QFETCH(QString, target);
        QFETCH(bool, inside);
        LinkCheck check;
        check.add("Contents", LinkCheck::Kind::Directory);
        check.add("Contents/MacOS", LinkCheck::Kind::Directory);
        check.add("Contents/MacOS/notes", LinkCheck::Kind::File);
        check.add("Contents/Resources", LinkCheck::Kind::Directory);
        check.add("Contents/Resources/readme.txt", LinkCheck::Kind::File);
        check.add("Contents/Resources/up", LinkCheck::Kind::Symlink, "..");
        check.add("Contents/Resources/loop", LinkCheck::Kind::Symlink, "loop");
        check.add("Contents/Resources/out", LinkCheck::Kind::Symlink, "/tmp");
        check.add("Contents/Resources/link", LinkCheck::Kind::Symlink, target.toStdString());
        QCOMPARE(check.staysInside("Contents/Resources/link"), inside);
    }

    void manifestRoundTrip()
    {
        Manifest m {"app.veltrane.notes", "K3Q8ZT52WM", "My Notes", {}};
        m.entries.push_back({"Contents", Manifest::Entry::Kind::Directory, false, {}, {}});
        m.entries.push_back({"Contents/a b%", Manifest::Entry::Kind::File, true, sha256("x"), {}});
        m.entries.push_back({"Contents/l\n", Manifest::Entry::Kind::Symlink, false, {}, "a b%"});
        const std::string text = m.format();
        QVERIFY(text.find("Contents/a%20b%25") != std::string::npos);
        const auto parsed = Manifest::parse(text);
        QVERIFY(parsed);
        QCOMPARE(parsed->executable, m.executable);
        QVERIFY(parsed->entries == m.entries);
    }

    void manifestRejects_data()
    {
        QTest::addColumn<QString>("body");
        QTest::newRow("dot dot") << "dir Contents\ndir Contents/..\n";
        QTest::newRow("absolute") << "dir /Contents\n";
        QTest::newRow("out of order") << "dir Contents\ndir Contents/b\ndir Contents/a\n";
        QTest::newRow("duplicate") << "dir Contents\ndir Contents\n";
        QTest::newRow("no parent") << "dir Contents/x\n";
        QTest::newRow("seal folder") << "dir Contents\ndir Contents/_CodeSignature\n";
        QTest::newRow("lower-case escape") << "dir Contents\ndir Contents/a%2f\n";
        QTest::newRow("needless escape") << "dir Contents\ndir Contents/%41\n";
        QTest::newRow("NUL") << "dir Contents\ndir Contents/a%00\n";
        QTest::newRow("upper-case hash") << "dir Contents\nfile Contents/f - " + QString(64, 'A') + "\n";
        QTest::newRow("short hash") << "dir Contents\nfile Contents/f - abcd\n";
        QTest::newRow("empty hash") << "dir Contents\nfile Contents/f - \n";
        QTest::newRow("unknown kind") << "dir Contents\nfifo Contents/f\n";
        QTest::newRow("no final line feed") << "dir Contents";
        QTest::newRow("carriage return") << "dir Contents\r\n";
    }

    void manifestRejects()
    {
        QFETCH(QString, body);
        const std::string header = "veltrane-code-resources 1\nidentifier app.x\nteam-identifier T\nexecutable x\n";
        QVERIFY(Manifest::parse(header + "dir Contents\n"));
        QVERIFY(!Manifest::parse(header + body.toStdString()));
    }

    void certificateCoversEveryField()
    {
        RootKey root {"Root", ed25519::Seed {1}};
        const auto team = ed25519::generate();
        const Certificate cert = Certificate::issue("K3Q8ZT52WM", "Veltrane Labs", team.publicKey, root);
        QVERIFY(cert.isSelfConsistent());
        const auto parsed = Certificate::parse(cert.format());
        QVERIFY(parsed && parsed->isSelfConsistent());

        for (const auto &[from, to] : std::vector<std::pair<std::string, std::string>> {
                 {"K3Q8ZT52WM", "K3Q8ZT52WN"}, {"Veltrane Labs", "Veltrane Lab"}, {"issuer-name Root", "issuer-name Rooz"}}) {
            std::string text = cert.format();
            text.replace(text.find(from), from.size(), to);
            const auto changed = Certificate::parse(text);
            QVERIFY(changed);
            QVERIFY(!changed->isSelfConsistent());
        }
        QVERIFY(!Certificate::parse(cert.format() + "extra line\n"));
        QVERIFY(!Certificate::parse("x" + cert.format()));
        QVERIFY_THROWS_EXCEPTION(std::exception, Certificate::issue("K3Q", "A=B", team.publicKey, root));
    }

    void escapedValuesHaveNoKeySeparator()
    {
        QCOMPARE(text::escapedValue("a=b\nTeamIdentifier=X\\"), std::string("a\\x3db\\x0aTeamIdentifier\\x3dX\\x5c"));
        QCOMPARE(text::escaped("a=b\x1b[2J"), std::string("a=b\\x1b[2J"));
    }
};

QTEST_GUILESS_MAIN(TestSeal)
#include "tst_seal.moc"
