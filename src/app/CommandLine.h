#pragma once

#include "app/VeltraneHubApp.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QUrl>

// The program's command line. Besides --help and --version it takes two options for makers
// testing a staging server: another catalogue URL and another certificate authority. Both last
// for this run only; nothing is saved.
class CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    enum class Action { Run, PrintHelp, PrintVersion, Fail };

    Action action = Action::Run;
    QString text;         // the help, the version line or the error, ready to print
    QUrl catalogueUrl;    // empty: the maker's server
    QString trustedCaFile;  // absolute path of a PEM file; empty: the system's authorities only

    // What to do with options and arguments the Hub does not know. Qt's own (-platform,
    // -reverse, ...) leave the list only when the window's application object is made, and
    // that needs a display; --help and a wrong URL must not.
    enum class Others { Refuse, Ignore };

    // arguments[0] is the program. Reads the CA file to check it holds a certificate.
    static CommandLine parse(const QStringList &arguments, Others others = Others::Refuse);

    bool changesSettings() const { return !catalogueUrl.isEmpty() || !trustedCaFile.isEmpty(); }
    void applyTo(VeltraneHubApp::Options &options) const;
};
