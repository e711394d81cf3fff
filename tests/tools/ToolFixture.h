#pragma once

#include "TestFiles.h"

#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

// One run of a program: exit status (-1 if it did not end normally) and both output streams.
struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
    QString merged() const { return out + err; }
};

// The tools installed in a temporary folder: copies in prefix/libexec/veltrane-hub/ and the
// anchors folder spctl finds from its own location, plus helpers that drive veltrane-pack.
class ToolFixture {
public:
    ToolFixture();

    bool isValid() const { return dir_.isValid(); }
    QString path(const QString &relative) const { return dir_.filePath(relative); }
    QString tool(const QString &name) const { return path("prefix/libexec/veltrane-hub/" + name); }
    QString anchorsFolder() const;

    static ToolRun run(const QString &program, const QStringList &arguments,
                       const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                       const QString &workingDirectory = QString());
    ToolRun runTool(const QString &name, const QStringList &arguments) const { return run(tool(name), arguments); }
    static ToolRun pack(const QStringList &arguments); // runs veltrane-pack

    // veltrane-pack root-key / identity; both return the path prefix of the files written.
    QString makeRoot(const QString &name);
    QString makeIdentity(const QString &root, const QString &team, const QString &teamName);
    void trust(const QString &root); // copies ROOT.pub into the anchors folder

    // FOLDER/NAME.app (FOLDER made if needed) with an executable script, a resource and a link
    // to it; returns the bundle's path.
    QString makeBundle(const QString &folder, const QString &name, const QString &identifier,
                       const QString &version = "1.0");
    ToolRun sign(const QString &bundle, const QString &identity, const QStringList &extra = {})
    {
        return runTool("codesign", QStringList {"--sign", identity} + extra + QStringList {bundle});
    }

private:
    QTemporaryDir dir_;
};
