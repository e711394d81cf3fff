// Installs one cached disk image with the update installer and prints the seconds it took.
//   install_bench TOOL_DIR DATA_HOME APPLICATIONS APP_ID VERSION BUNDLE_ID TEAM
// The image must be in the cache already (<DATA_HOME>/VeltraneHub/Updates/<id>-<version>.dmg);
// the Applications folder is where the app goes.

#include "service/UpdateInstaller.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 8) {
        std::fprintf(stderr, "usage: install_bench TOOL_DIR DATA_HOME APPLICATIONS APP_ID VERSION BUNDLE_ID TEAM\n");
        return 2;
    }
    UpdateInstaller::Options options;
    const QString tools = args[1] + QStringLiteral("/");
    options.tools = {tools + QStringLiteral("hdiutil"), tools + QStringLiteral("codesign"),
                     tools + QStringLiteral("spctl"), tools + QStringLiteral("xattr")};
    options.locations.dataHome = args[2];
    options.locations.systemApplications = args[3];
    options.locations.home = args[2];
    options.teamIdentifier = args[7];
    UpdateInstaller installer(options);
    CatalogApp app;
    app.id = args[4];
    app.version = args[5];
    app.bundleID = args[6];

    QElapsedTimer timer;
    timer.start();
    const auto installed = QCoro::waitFor(installer.install(app, installer.cachedDMG(app.id, app.version), {}));
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!installed.ok()) {
        std::fprintf(stderr, "install failed: %s\n", qPrintable(installed.failure().description()));
        return 1;
    }
    std::printf("%.3f\n", seconds);
    return 0;
}
