#include "ToolFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

ToolFixture::ToolFixture()
{
    QDir().mkpath(tool(""));
    QDir().mkpath(anchorsFolder());
    for (const QString built : {VELTRANE_TEST_HDIUTIL, VELTRANE_TEST_CODESIGN, VELTRANE_TEST_SPCTL, VELTRANE_TEST_XATTR})
        QFile::copy(built, tool(QFileInfo(built).fileName()));
}

QString ToolFixture::anchorsFolder() const
{
    return QDir::cleanPath(tool(VELTRANE_TEST_ANCHORS_FROM_TOOLS));
}

ToolRun ToolFixture::run(const QString &program, const QStringList &arguments,
                         const QProcessEnvironment &environment, const QString &workingDirectory)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

ToolRun ToolFixture::pack(const QStringList &arguments)
{
    return run(QStringLiteral(VELTRANE_TEST_PACK), arguments);
}

QString ToolFixture::makeRoot(const QString &name)
{
    pack({"root-key", "--name", name + " Root", path(name)});
    return path(name);
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
