#include "ToolFixture.h"

#include "BundleTree.h"
#include "FileHasher.h"
#include "Identity.h"
#include "SealLayout.h"
#include "SealReader.h"
#include "posix/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>

namespace {

constexpr char team[] = "K3Q8ZT52WM";

// Seals whatever is on disk, skipping every check the real signer makes: this is what a hostile
// signer's own tool would write, so the verifier must not rely on the signer's refusals.
void forgeSeal(const QString &bundle, const QString &identityPrefix)
{
    using namespace vtools;
    QDir(bundle + "/Contents/_CodeSignature").removeRecursively();
    const Identity identity = Identity::load(identityPrefix.toStdString());
    const posix::FileDescriptor fd(::open(QFile::encodeName(bundle).constData(), O_RDONLY | O_DIRECTORY));
    Manifest manifest {"app.veltrane.notes", identity.certificate.teamIdentifier, "notes", {}};
    for (const auto &node : BundleTree::scan(fd.get(), layout::signatureFolder).nodes) {
        using Kind = Manifest::Entry::Kind;
        Manifest::Entry entry {node.path, Kind::Directory, false, {}, node.target};
        if (node.kind == BundleTree::Node::Kind::Symlink)
            entry.kind = Kind::Symlink;
        if (node.kind == BundleTree::Node::Kind::File) {
            entry = Manifest::Entry {node.path, Kind::File, (node.mode & 0111) != 0,
                     *FileHasher(fd.get()).hash({{node.path, node.device, node.inode}})[0].digest, {}};
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

void setMode(const QString &path, mode_t mode)
{
    ::chmod(QFile::encodeName(path).constData(), mode);
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
    }

    // Each row changes a freshly signed bundle. An empty assessment text means "rejected"
    // (exit status 3); otherwise the assessment accepts (0) or names why it rejects (3).
    void tampering_data()
    {
        using Tamper = std::function<void(const QString &)>;
        QTest::addColumn<Tamper>("tamper");
        QTest::addColumn<QStringList>("verifyMessages"); // empty: verification passes
        QTest::addColumn<int>("spctlExit");
        QTest::addColumn<QString>("spctlMessage");
        const QString sealed = "a sealed resource is missing or invalid";
        const auto resources = [](const QString &app) { return app + "/Contents/Resources/"; };

        QTest::newRow("untampered") << Tamper([](const QString &) {}) << QStringList() << 0 << "accepted";
        QTest::newRow("modified file")
            << Tamper([](const QString &app) { TestFiles::write(app + "/Contents/MacOS/notes", "#!/bin/sh\nrm -rf ~\n"); })
            << QStringList {sealed, "file modified: Contents/MacOS/notes"} << 3 << "";
        QTest::newRow("added file") << Tamper([=](const QString &app) { TestFiles::write(resources(app) + "extra.txt", "x"); })
                                    << QStringList {sealed, "file added: Contents/Resources/extra.txt"} << 3 << "";
        QTest::newRow("removed file") << Tamper([=](const QString &app) { QFile::remove(resources(app) + "readme.txt"); })
                                      << QStringList {sealed, "file missing: Contents/Resources/readme.txt"} << 3 << "";
        QTest::newRow("executable bit dropped") << Tamper([](const QString &app) { setMode(app + "/Contents/MacOS/notes", 0644); })
                                                << QStringList {"file modified: Contents/MacOS/notes"} << 3 << "";
        QTest::newRow("file put in the seal folder")
            << Tamper([](const QString &app) { TestFiles::write(app + "/Contents/_CodeSignature/extra", "x"); })
            << QStringList {"file added: Contents/_CodeSignature/extra"} << 3 << "";
        QTest::newRow("link leaving the bundle")
            << Tamper([=](const QString &app) { QFile::link("/etc/passwd", resources(app) + "escape"); })
            << QStringList {"invalid destination for symbolic link in bundle",
                            "symbolic link leaves the bundle: Contents/Resources/escape -> /etc/passwd"}
            << 3 << "";
        QTest::newRow("sealed link chain leaving")
            << Tamper([=, this](const QString &app) {
                   QFile::link("..", resources(app) + "parent");
                   QFile::link("parent/../..", resources(app) + "hop");
                   forgeSeal(app, identity);
               })
            << QStringList {"symbolic link leaves the bundle: Contents/Resources/hop -> parent/../.."} << 3 << "";
        QTest::newRow("unsealed nested bundle")
            << Tamper([this](const QString &app) {
                   fx.makeBundle(app + "/Contents/Helpers", "Helper", "app.veltrane.helper");
                   forgeSeal(app, identity);
               })
            << QStringList {"code object is not signed at all", "In subcomponent: ", "Helper.app"} << 3 << "";
        QTest::newRow("manifest edited after signing")
            << Tamper([](const QString &app) {
                   const QString manifest = app + "/Contents/_CodeSignature/CodeResources";
                   TestFiles::write(manifest, TestFiles::read(manifest).replace("file Contents/MacOS/notes x",
                                                                                "file Contents/MacOS/notes -"));
                   setMode(app + "/Contents/MacOS/notes", 0644);
               })
            << QStringList {"invalid signature (code or signature have been modified)"} << 3 << "";
        QTest::newRow("certificate edited")
            << Tamper([](const QString &app) {
                   const QString cert = app + "/Contents/_CodeSignature/CodeCertificate";
                   TestFiles::write(cert, TestFiles::read(cert).replace("Veltrane Labs", "Veltrane Inc."));
               })
            << QStringList {"the signing certificate is not valid"} << 3 << "";
        QTest::newRow("certificate from another root")
            << Tamper([this](const QString &app) { fx.sign(app, foreignIdentity, {"--force"}); })
            << QStringList() << 3 << "not issued by a trusted root";
        QTest::newRow("valid signature of another team")
            << Tamper([this](const QString &app) { fx.sign(app, otherTeam, {"--force"}); })
            << QStringList() << 0 << "origin=Other Labs (OTHERTEAM1)";
        QTest::newRow("unsigned")
            << Tamper([](const QString &app) { QDir(app + "/Contents/_CodeSignature").removeRecursively(); })
            << QStringList {"Notes.app: code object is not signed at all"} << 3 << "";
        QTest::newRow("set-user-id") << Tamper([](const QString &app) { setMode(app + "/Contents/MacOS/notes", 04755); })
                                     << QStringList {"unsafe file permissions in bundle", "set-user-id file: Contents/MacOS/notes"}
                                     << 3 << "";
        QTest::newRow("world-writable") << Tamper([=](const QString &app) { setMode(resources(app) + "readme.txt", 0646); })
                                        << QStringList {"world-writable: Contents/Resources/readme.txt"} << 3 << "";
    }

    void tampering()
    {
        QFETCH(std::function<void(const QString &)>, tamper);
        QFETCH(QStringList, verifyMessages);
        QFETCH(int, spctlExit);
        QFETCH(QString, spctlMessage);
        const QString app = freshSignedBundle();
        QCOMPARE(verify(app).exitCode, 0);
        tamper(app);
        const ToolRun verified = verify(app);
        QCOMPARE(verified.exitCode, verifyMessages.isEmpty() ? 0 : 1);
        for (const QString &message : verifyMessages)
            QVERIFY2(verified.err.contains(message), qPrintable(verified.err));
        const ToolRun assessed = assess(app);
        QCOMPARE(assessed.exitCode, spctlExit);
        QVERIFY2(assessed.err.contains(spctlMessage.isEmpty() ? "rejected" : spctlMessage), qPrintable(assessed.err));
    }

    void bundleThatIsALinkIsNotFollowed()
    {
        const QString link = fx.path("Linked.app");
        QVERIFY(QFile::link(freshSignedBundle(), link));
        const ToolRun verified = verify(link);
        QCOMPARE(verified.exitCode, 1);
        QVERIFY(verified.err.contains("bundle format unrecognized"));
        QCOMPARE(assess(link).exitCode, 3);
    }

    void displayShowsSigningDetails()
    {
        const QString app = freshSignedBundle();
        const ToolRun shown = fx.runTool("codesign", {"-dv", app});
        QCOMPARE(shown.exitCode, 0);
        QVERIFY(shown.out.isEmpty()); // the details go to standard error
        for (const QString &line : {"Executable=" + app + "/Contents/MacOS/notes", QString("Identifier=app.veltrane.notes"),
                                    QString("Format=app bundle"), QString("Authority=Veltrane Labs (K3Q8ZT52WM)"),
                                    QString("Authority=trusted Root ("), QString("TeamIdentifier=K3Q8ZT52WM")})
            QVERIFY2(shown.err.contains(line), qPrintable(shown.err));

        QDir(app + "/Contents/_CodeSignature").removeRecursively();
        const ToolRun unsigned_ = fx.runTool("codesign", {"-dv", app});
        QCOMPARE(unsigned_.exitCode, 1);
        QVERIFY(unsigned_.err.contains(app + ": code object is not signed at all"));
    }

    // The installer accepts a team by finding "TeamIdentifier=<team>" anywhere in the output:
    // no name or path under another team's control may produce that text.
    void displayCannotBeSpoofedByNames()
    {
        const QString app = fx.path("spoof/TeamIdentifier=K3Q8ZT52WM.app");
        QVERIFY(QDir().rename(fx.makeBundle(fx.path("spoof"), "Spoof", "app.veltrane.notes"), app));
        QCOMPARE(fx.sign(app, otherTeam).exitCode, 0);
        const ToolRun shown = fx.runTool("codesign", {"-dv", app});
        QCOMPARE(shown.exitCode, 0);
        QVERIFY2(!shown.merged().contains("TeamIdentifier=K3Q8ZT52WM"), qPrintable(shown.err));
        QVERIFY(shown.err.contains("TeamIdentifier=OTHERTEAM1"));
    }

    // The last argument is always the bundle, whatever its first character.
    void pathBeginningWithDashIsABundle()
    {
        const QString folder = fx.path("dash");
        QCOMPARE(fx.sign(fx.makeBundle(folder, "-v", "app.veltrane.notes"), identity).exitCode, 0);
        const auto env = QProcessEnvironment::systemEnvironment();
        QCOMPARE(ToolFixture::run(fx.tool("codesign"), {"--verify", "--deep", "--strict", "-v.app"}, env, folder).exitCode, 0);
        QCOMPARE(ToolFixture::run(fx.tool("spctl"), {"-a", "-vv", "-t", "exec", "-v.app"}, env, folder).exitCode, 0);
        const ToolRun shown = ToolFixture::run(fx.tool("codesign"), {"-dv", "--", "-v.app"}, env, folder);
        QVERIFY2(shown.err.contains("TeamIdentifier=K3Q8ZT52WM"), qPrintable(shown.err));
    }

    void signingRefusals()
    {
        const QString app = freshSignedBundle();
        const ToolRun again = fx.sign(app, identity);
        QCOMPARE(again.exitCode, 1);
        QVERIFY(again.err.contains("is already signed"));
        QCOMPARE(fx.sign(app, identity, {"--force"}).exitCode, 0);

        QFile::link("/etc", app + "/Contents/Resources/system");
        const ToolRun outside = fx.sign(app, identity, {"--force"});
        QCOMPARE(outside.exitCode, 1);
        QVERIFY(outside.err.contains("symbolic link leaves the bundle: Contents/Resources/system -> /etc"));
        QVERIFY(verify(app).exitCode != 0); // the old seal is still there and does not cover it
    }

    void nestedBundles()
    {
        const QString app = fx.makeBundle(fx.path("nested"), "Notes", "app.veltrane.notes");
        const QString helper = fx.makeBundle(app + "/Contents/Helpers", "Helper", "app.veltrane.helper");
        const ToolRun shallow = fx.sign(app, identity);
        QCOMPARE(shallow.exitCode, 1);
        QVERIFY(shallow.err.contains("In subcomponent: " + helper));
        QVERIFY(!QFile::exists(app + "/Contents/_CodeSignature"));

        QCOMPARE(fx.sign(app, identity, {"--deep"}).exitCode, 0);
        QVERIFY(QFile::exists(helper + "/Contents/_CodeSignature/CodeResources"));
        QCOMPARE(verify(app).exitCode, 0);
        QCOMPARE(assess(app).exitCode, 0);

        // A nested bundle signed under an untrusted root makes the whole app untrusted.
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
        // Nor does a world-writable anchors folder count.
        QFile::setPermissions(fx.anchorsFolder(), QFile::Permissions(0x7777));
        const ToolRun open = assess(app);
        QFile::setPermissions(fx.anchorsFolder(), QFile::Permissions(0x7755));
        QCOMPARE(open.exitCode, 3);
        QVERIFY(open.err.contains("world-writable"));
        QCOMPARE(assess(app).exitCode, 0);
    }

    void usageErrors()
    {
        QCOMPARE(fx.runTool("codesign", {}).exitCode, 2);
        QCOMPARE(fx.runTool("codesign", {"--verify"}).exitCode, 2);
        QCOMPARE(fx.runTool("codesign", {"--sign", "x"}).exitCode, 2);
        QCOMPARE(fx.runTool("spctl", {"-a", "-t", "install", "x"}).exitCode, 2);
        QCOMPARE(fx.runTool("codesign", {"--verify", fx.path("missing.app")}).exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestCodesign)
#include "tst_codesign.moc"
