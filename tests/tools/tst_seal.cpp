// The seal's building blocks, where a slip would open a hole:
// - a link is inside only if every step of its resolution stays in the bundle
// (The manifest's canonical form is checked by the seal_manifest fuzz target and by codesign's
// tampering rows.)
// - a certificate's signature covers every field; extra text and bad names are refused
// - an escaped value can carry no "=", line feed, backslash or terminal escape

#include "Certificate.h"
#include "LinkCheck.h"
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
        QTest::newRow("bundle root") << "../.." << true;
        QTest::newRow("above the root") << "../../.." << false;
        QTest::newRow("absolute") << "/etc/passwd" << false;
        QTest::newRow("through a file") << "readme.txt/x" << false;
        QTest::newRow("chain inside") << "up/MacOS/notes" << true;
        QTest::newRow("chain out") << "up/../.." << false; // lexically inside, really outside
        QTest::newRow("loop") << "loop" << false;
        QTest::newRow("through outward link") << "out/x" << false;
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
