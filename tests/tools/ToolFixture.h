#pragma once

#include "TestFiles.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One run of a tool: exit status and both output streams.
struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
    QString merged() const { return out + err; }
};

// A private installation of the tools in a temporary folder: prefix/libexec/veltrane-hub/ with
// copies of the built tools and prefix/share/veltrane-hub/anchors/, where spctl (finding the
// folder from its own location) looks for trusted roots. Plus helpers that drive veltrane-pack.
class ToolFixture {
public:
    ToolFixture();

    bool isValid() const { return dir_.isValid(); }
    QString path(const QString &relative) const; // inside the temporary folder
    QString tool(const QString &name) const;     // the installed copy: hdiutil, codesign, ...
    QString anchorsFolder() const;

    static ToolRun run(const QString &program, const QStringList &arguments,
                       const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                       const QString &workingDirectory = QString());
    ToolRun runTool(const QString &name, const QStringList &arguments) const;
    static ToolRun pack(const QStringList &arguments);

    // veltrane-pack root-key / identity; both return the path prefix of the files written.
    QString makeRoot(const QString &name);
    QString makeIdentity(const QString &root, const QString &team, const QString &teamName);
    void trust(const QString &root); // copies ROOT.pub into the anchors folder

    // A bundle NAME.app in `folder` (made if needed) with an executable script, a resource and a
    // link to it; returns the bundle's path.
    QString makeBundle(const QString &folder, const QString &name, const QString &identifier,
                       const QString &version = "1.0");
    ToolRun sign(const QString &bundle, const QString &identity, const QStringList &extra = {});

private:
    QTemporaryDir dir_;
};
