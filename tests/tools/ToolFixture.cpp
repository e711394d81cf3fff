#include "ToolFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

ToolFixture::ToolFixture()
{
    const QString libexec = path("prefix/libexec/veltrane-hub");
    QDir().mkpath(libexec);
    QDir().mkpath(anchorsFolder());
    for (const QString built : {VELTRANE_TEST_HDIUTIL, VELTRANE_TEST_CODESIGN, VELTRANE_TEST_SPCTL, VELTRANE_TEST_XATTR})
        QFile::copy(built, libexec + "/" + QFileInfo(built).fileName());
}

QString ToolFixture::path(const QString &relative) const
{
    return dir_.filePath(relative);
}

QString ToolFixture::tool(const QString &name) const
{
    return path("prefix/libexec/veltrane-hub/" + name);
}

QString ToolFixture::anchorsFolder() const
{
    return QDir::cleanPath(path("prefix/libexec/veltrane-hub") + "/" + VELTRANE_TEST_ANCHORS_FROM_TOOLS);
}

ToolRun ToolFixture::run(const QString &program, const QStringList &arguments,
                         const QProcessEnvironment &environment, const QString &workingDirectory)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    ToolRun result;
    if (!process.waitForFinished(120000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

ToolRun ToolFixture::runTool(const QString &name, const QStringList &arguments) const
{
    return run(tool(name), arguments);
}

ToolRun ToolFixture::pack(const QStringList &arguments)
{
    return run(QStringLiteral(VELTRANE_TEST_PACK), arguments);
}

QString ToolFixture::makeRoot(const QString &name)
{
    const QString out = path(name);
    pack({"root-key", "--name", name + " Root", out});
    return out;
}

QString ToolFixture::makeIdentity(const QString &root, const QString &team, const QString &teamName)
{
    const QString out = path("identity-" + team + "-" + QFileInfo(root).fileName());
    pack({"identity", "--root", root + ".key", "--team", team, "--name", teamName, out});
    return out;
}

void ToolFixture::trust(const QString &root)
{
    QFile::copy(root + ".pub", anchorsFolder() + "/" + QFileInfo(root).fileName() + ".pub");
}

QString ToolFixture::makeBundle(const QString &folder, const QString &name, const QString &identifier,
                                const QString &version)
{
    QDir().mkpath(folder);
    const QString program = path("notes");
    if (!QFileInfo::exists(program))
        TestFiles::write(program, "#!/bin/sh\necho notes\n");
    pack({"bundle", "--name", name, "--id", identifier, "--version", version, "--exec", program, folder});
    const QString app = folder + "/" + name + ".app";
    TestFiles::write(app + "/Contents/Resources/readme.txt", "read me\n");
    QFile::setPermissions(app + "/Contents/Resources/readme.txt",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile::link("readme.txt", app + "/Contents/Resources/current");
    return app;
}

ToolRun ToolFixture::sign(const QString &bundle, const QString &identity, const QStringList &extra)
{
    return runTool("codesign", QStringList {"--sign", identity} + extra + QStringList {bundle});
}
