// The seal's building blocks where a slip would open a hole, and codesign, spctl and
// veltrane-pack run as programs: tampering, forged seals, trust, team spoofing, private keys.

#include "ToolFixture.h"

#include "BundleTree.h"
#include "Certificate.h"
#include "FileHasher.h"
#include "Identity.h"
#include "LinkCheck.h"
#include "SealLayout.h"
#include "SealReader.h"
#include "Text.h"
#include "posix/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>

using namespace vtools;

namespace {

constexpr char team[] = "K3Q8ZT52WM";

// Seals whatever is on disk, skipping every check the real signer makes: this is what a hostile
// signer's own tool would write, so the verifier must not rely on the signer's refusals.
void forgeSeal(const QString &bundle, const QString &identityPrefix)
{
    using Kind = Manifest::Entry::Kind;
    QDir(bundle + "/Contents/_CodeSignature").removeRecursively();
    const Identity identity = Identity::load(identityPrefix.toStdString());
    const posix::FileDescriptor fd(::open(QFile::encodeName(bundle).constData(), O_RDONLY | O_DIRECTORY));
    Manifest manifest {"app.veltrane.notes", identity.certificate.teamIdentifier, "notes", {}};
    for (const auto &node : BundleTree::scan(fd.get(), layout::signatureFolder).nodes) {
        Manifest::Entry entry {node.path, Kind::Directory, false, {}, node.target};
        if (node.kind == BundleTree::Node::Kind::Symlink)
            entry.kind = Kind::Symlink;
        if (node.kind == BundleTree::Node::Kind::File) {
            const auto digest = *FileHasher(fd.get()).hash({{node.path, node.device, node.inode}})[0].digest;
            entry = Manifest::Entry {node.path, Kind::File, (node.mode & 0111) != 0, digest, {}};
        }
        manifest.entries.push_back(entry);
    }
    const std::string text = manifest.format();
    const auto signature = ed25519::sign(Seal::signedText(text), ed25519::fromSeed(identity.key.seed).secretKey);
    const QString folder = bundle + "/Contents/_CodeSignature/";
    TestFiles::write(folder + "CodeResources", QByteArray::fromStdString(text));
    TestFiles::write(folder + "CodeSignature", QByteArray(reinterpret_cast<const char *>(signature.data()), 64));
    TestFiles::write(folder + "CodeCertificate", QByteArray::fromStdString(identity.certificate.format()));
}

QString in(const QString &app, const QString &relative) { return app + "/Contents/" + relative; }
void setMode(const QString &path, mode_t mode) { ::chmod(QFile::encodeName(path).constData(), mode); }

int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Replaces the text `from` in a file.
void edit(const QString &file, const QByteArray &from, const QByteArray &to)
{
    TestFiles::write(file, TestFiles::read(file).replace(from, to));
}

} // namespace

class TestCodesign : public QObject {
    Q_OBJECT

    ToolFixture fx;
    QString identity, otherTeam, foreignIdentity;
    int bundleCount = 0;

    QString freshSignedBundle()
    {
        const QString app = fx.makeBundle(fx.path(QString("b%1").arg(++bundleCount)), "Notes", "app.veltrane.notes");
        fx.sign(app, identity);
        return app;
    }

    ToolRun verify(const QString &app) const { return fx.runTool("codesign", {"--verify", "--deep", "--strict", app}); }
    ToolRun assess(const QString &app) const { return fx.runTool("spctl", {"-a", "-vv", "-t", "exec", app}); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fx.isValid());
        const QString trustedRoot = fx.makeRoot("trusted");
        fx.trust(trustedRoot);
        identity = fx.makeIdentity(trustedRoot, team, "Veltrane Labs");
        otherTeam = fx.makeIdentity(trustedRoot, "OTHERTEAM1", "Other Labs");
        foreignIdentity = fx.makeIdentity(fx.makeRoot("other"), team, "Veltrane Labs");
        QVERIFY(QFile::exists(identity + ".key") && QFile::exists(foreignIdentity + ".cert"));
        QCOMPARE(fx.sign(fx.makeBundle(fx.path("apps"), "Notes", "app.veltrane.notes"), identity).exitCode, 0);
        QVERIFY(QFile::link("/etc", fx.makeBundle(fx.path("links"), "Notes", "app.veltrane.notes") + "/Contents/Resources/system"));
    }

    // Each row changes a freshly signed bundle, which verifies before; spctl rejects them all.
    void tampering_data()
    {
        using T = std::function<void(const QString &)>;
        QTest::addColumn<T>("tamper");
        // Empty: verification passes, and only spctl sees that the certificate is not from a trusted root.
        QTest::addColumn<QStringList>("verifyMessages");
        const QString sealed = "a sealed resource is missing or invalid";

        QTest::newRow("modified file") << T([](const QString &a) { TestFiles::write(in(a, "MacOS/notes"), "rm -rf ~\n"); })
                                       << QStringList {sealed, "file modified: Contents/MacOS/notes"};
        QTest::newRow("added file") << T([](const QString &a) { TestFiles::write(in(a, "Resources/extra.txt"), "x"); })
                                    << QStringList {sealed, "file added: Contents/Resources/extra.txt"};
        QTest::newRow("executable bit dropped") << T([](const QString &a) { setMode(in(a, "MacOS/notes"), 0644); })
                                                << QStringList {"file modified: Contents/MacOS/notes"};
        QTest::newRow("file in the seal folder") << T([](const QString &a) { TestFiles::write(in(a, "_CodeSignature/x"), ""); })
                                                 << QStringList {"file added: Contents/_CodeSignature/x"};
        QTest::newRow("link leaving the bundle")
            << T([](const QString &a) { QFile::link("/etc/passwd", in(a, "Resources/escape")); })
            << QStringList {"invalid destination for symbolic link in bundle",
                            "symbolic link leaves the bundle: Contents/Resources/escape -> /etc/passwd"};
        QTest::newRow("sealed link chain leaving") << T([this](const QString &a) {
            QFile::link("..", in(a, "Resources/parent"));
            QFile::link("parent/../..", in(a, "Resources/hop"));
            forgeSeal(a, identity);
        }) << QStringList {"symbolic link leaves the bundle: Contents/Resources/hop -> parent/../.."};
        QTest::newRow("unsealed nested bundle") << T([this](const QString &a) {
            fx.makeBundle(in(a, "Helpers"), "Helper", "app.veltrane.helper");
            forgeSeal(a, identity);
        }) << QStringList {"code object is not signed at all", "In subcomponent: ", "Helper.app"};
        QTest::newRow("manifest edited after signing") << T([](const QString &a) {
            edit(in(a, "_CodeSignature/CodeResources"), "file Contents/MacOS/notes x", "file Contents/MacOS/notes -");
            setMode(in(a, "MacOS/notes"), 0644);
        }) << QStringList {"invalid signature (code or signature have been modified)"};
        QTest::newRow("certificate edited")
            << T([](const QString &a) { edit(in(a, "_CodeSignature/CodeCertificate"), "Veltrane Labs", "Veltrane Inc."); })
            << QStringList {"the signing certificate is not valid"};
        QTest::newRow("certificate from another root") << T([this](const QString &a) { fx.sign(a, foreignIdentity, {"-f"}); })
                                                       << QStringList();
        QTest::newRow("unsigned") << T([](const QString &a) { QDir(in(a, "_CodeSignature")).removeRecursively(); })
                                  << QStringList {"Notes.app: code object is not signed at all"};
        QTest::newRow("set-user-id") << T([](const QString &a) { setMode(in(a, "MacOS/notes"), 04755); })
                                     << QStringList {"unsafe file permissions in bundle",
                                                     "set-user-id file: Contents/MacOS/notes"};
        QTest::newRow("bundle replaced by a link to it") << T([](const QString &a) {
            QDir().rename(a, a + ".real");
            QFile::link(a + ".real", a);
        }) << QStringList {"bundle format unrecognized"};
    }

    void tampering()
    {
        QFETCH(std::function<void(const QString &)>, tamper);
        QFETCH(QStringList, verifyMessages);
        const QString app = freshSignedBundle();
        QCOMPARE(verify(app).exitCode, 0);
        tamper(app);
        const ToolRun verified = verify(app);
        QCOMPARE(verified.exitCode, verifyMessages.isEmpty() ? 0 : 1);
        for (const QString &message : verifyMessages)
            QVERIFY2(verified.err.contains(message), qPrintable(verified.err));
        const ToolRun assessed = assess(app);
        QCOMPARE(assessed.exitCode, 3);
        const QString reason = verifyMessages.isEmpty() ? "not issued by a trusted root" : "source=no usable signature";
        QVERIFY2(assessed.err.contains(": rejected\n") && assessed.err.contains(reason), qPrintable(assessed.err));
    }

    // The installer accepts a team by finding "TeamIdentifier=<team>" anywhere in the output,
    // so no name under another team's control may produce that text. The last argument is
    // always the bundle, whatever its first character.
    void display()
    {
        const QString folder = fx.path("display");
        const QString dash = fx.makeBundle(folder, "-v", "app.veltrane.notes");
        QCOMPARE(fx.sign(dash, identity).exitCode, 0);
        const auto env = QProcessEnvironment::systemEnvironment();
        QCOMPARE(ToolFixture::run(fx.tool("codesign"), {"--verify", "--deep", "--strict", "-v.app"}, env, folder).exitCode, 0);
        QCOMPARE(ToolFixture::run(fx.tool("spctl"), {"-a", "-vv", "-t", "exec", "-v.app"}, env, folder).exitCode, 0);
        const ToolRun shown = ToolFixture::run(fx.tool("codesign"), {"-dv", "--", "-v.app"}, env, folder);
        QVERIFY2(shown.err.startsWith("Executable=" + dash + "/Contents/MacOS/notes\n"), qPrintable(shown.err));

        const QString spoof = fx.path("spoof/TeamIdentifier=K3Q8ZT52WM.app");
        QVERIFY(QDir().rename(fx.makeBundle(fx.path("spoof"), "Spoof", "app.veltrane.notes"), spoof));
        QCOMPARE(fx.sign(spoof, otherTeam).exitCode, 0);
        const ToolRun spoofed = fx.runTool("codesign", {"-dv", spoof});
        QCOMPARE(spoofed.exitCode, 0);
        QVERIFY2(!spoofed.merged().contains("TeamIdentifier=K3Q8ZT52WM"), qPrintable(spoofed.err));
        QVERIFY(spoofed.err.contains("TeamIdentifier=OTHERTEAM1"));
    }

    void nestedBundles()
    {
        const QString app = fx.makeBundle(fx.path("nested"), "Notes", "app.veltrane.notes");
        const QString helper = fx.makeBundle(app + "/Contents/Helpers", "Helper", "app.veltrane.helper");
        const ToolRun shallow = fx.sign(app, identity);
        QCOMPARE(shallow.exitCode, 1);
        QCOMPARE(shallow.err, app + ": code object is not signed at all\nIn subcomponent: " + helper
                                  + "\n(sign nested code first, or use --deep)\n");
        QVERIFY(!QFile::exists(app + "/Contents/_CodeSignature"));

        QCOMPARE(fx.sign(app, identity, {"--deep"}).exitCode, 0);
        QVERIFY(QFile::exists(helper + "/Contents/_CodeSignature/CodeResources"));
        QCOMPARE(assess(app).exitCode, 0);

        QCOMPARE(fx.sign(helper, foreignIdentity, {"--force"}).exitCode, 0);
        QCOMPARE(fx.sign(app, identity, {"--force"}).exitCode, 0);
        QCOMPARE(verify(app).exitCode, 0);
        const ToolRun assessed = assess(app);
        QCOMPARE(assessed.exitCode, 3);
        QVERIFY(assessed.err.contains("nested code"));
    }

    void spctlTrustsOnlyItsAnchorsFolder()
    {
        const QString app = freshSignedBundle();
        // The built tool, outside any installation, has no anchors beside it.
        QCOMPARE(ToolFixture::run(QStringLiteral(VELTRANE_TEST_SPCTL), {"-a", "-t", "exec", app}).exitCode, 3);
        QFile::setPermissions(fx.anchorsFolder(), QFile::Permissions(0x7777));
        const ToolRun open = assess(app);
        QFile::setPermissions(fx.anchorsFolder(), QFile::Permissions(0x7755));
        QCOMPARE(open.exitCode, 3);
        QVERIFY(open.err.contains("world-writable"));
        QCOMPARE(assess(app).exitCode, 0);
    }

    void keysAreWrittenOncePrivately()
    {
        const QString root = fx.makeRoot("keys");
        QCOMPARE(modeOf(root + ".key"), 0600);
        QCOMPARE(modeOf(root + ".pub"), 0644);
        const QByteArray secret = TestFiles::read(root + ".key");
        QVERIFY(secret.contains("seed "));
        QCOMPARE(ToolFixture::pack({"root-key", root}).exitCode, 1);
        QCOMPARE(TestFiles::read(root + ".key"), secret);

        const QStringList make = {"identity", "--root", root + ".key", "--team", team, "--name", "Veltrane Labs"};
        const ToolRun made = ToolFixture::pack(make + QStringList {fx.path("team")});
        QCOMPARE(made.exitCode, 0);
        QCOMPARE(modeOf(fx.path("team.key")), 0600);
        QVERIFY(!made.merged().contains(QString::fromLatin1(secret.mid(secret.indexOf("seed ") + 5, 20))));

        // A secret others can read is refused, as ssh refuses such keys.
        setMode(root + ".key", 0644);
        const ToolRun exposed = ToolFixture::pack(make + QStringList {fx.path("team2")});
        QCOMPARE(exposed.exitCode, 1);
        QVERIFY(exposed.err.contains("secret key file is accessible by others (it must be mode 0600)"));
    }

    // "@x" stands for the file x in the fixture's folder. Nothing named "out" or "Evil" is made.
    void refusals()
    {
        const auto local = [this](QString text) { return text.replace("@", fx.path("") + "/"); };
        const auto bundle = [](const char *name) {
            return QStringList {"bundle", "--name", name, "--id", "app.x", "--version", "1", "--exec", "@notes", "@apps"};
        };
        // The tool, its arguments, its exit status and the start of its standard error.
        const std::tuple<QString, QStringList, int, QString> cases[] = {
            {"codesign", {}, 2, "codesign: exactly one bundle path is needed"},
            {"codesign", {"--sign", identity, "@apps/Notes.app"}, 1, "@apps/Notes.app: is already signed\n"},
            {"codesign", {"-f", "--sign", identity, "@links/Notes.app"}, 1,
             "@links/Notes.app: invalid destination for symbolic link in bundle\n"
             "symbolic link leaves the bundle: Contents/Resources/system -> /etc\n"},
            {"pack", {"identity", "--root", "@trusted.key", "--team", team, "--name", "TeamIdentifier=K3Q8ZT52WM", "@out"}, 1,
             "veltrane-pack: invalid team name (1 to 128 characters, no control characters or '=')"},
            {"pack", bundle("../Evil"), 1, "veltrane-pack: invalid bundle name: ../Evil"},
            {"pack", bundle("Notes"), 1, "veltrane-pack: @apps/Notes.app: already exists"}};
        for (const auto &[tool, arguments, exitCode, message] : cases) {
            QStringList localArguments;
            for (const QString &argument : arguments)
                localArguments << local(argument);
            const ToolRun run = tool == "pack" ? ToolFixture::pack(localArguments) : fx.runTool(tool, localArguments);
            QCOMPARE(run.exitCode, exitCode);
            QVERIFY2(run.err.startsWith(local(message)), qPrintable(run.err));
        }
        QCOMPARE(QDir(fx.path("")).entryList({"out*", "Evil*"}), QStringList());
    }

    // Where a link in Contents/Resources leads, judged on the tree's own links.
    void links()
    {
        using K = LinkCheck::Kind;
        const std::pair<const char *, bool> targets[] = {
            {"readme.txt", true}, {"../..", true}, {"../../..", false}, {"/etc/passwd", false}, {"readme.txt/x", false},
            {"up/MacOS/notes", true}, {"up/../..", false} /* lexically inside, really outside */, {"loop", false}, {"out/x", false}};
        for (const auto &[target, inside] : targets) {
            LinkCheck check;
            for (const char *folder : {"Contents", "Contents/MacOS", "Contents/Resources"})
                check.add(folder, K::Directory);
            check.add("Contents/MacOS/notes", K::File);
            check.add("Contents/Resources/readme.txt", K::File);
            check.add("Contents/Resources/up", K::Symlink, "..");
            check.add("Contents/Resources/loop", K::Symlink, "loop");
            check.add("Contents/Resources/out", K::Symlink, "/tmp");
            check.add("Contents/Resources/link", K::Symlink, target);
            QVERIFY2(check.staysInside("Contents/Resources/link") == inside, target);
        }
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
            QVERIFY(changed && !changed->isSelfConsistent());
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

QTEST_GUILESS_MAIN(TestCodesign)
#include "tst_codesign.moc"
