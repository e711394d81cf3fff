#include "app/CommandLine.h"
#include "app/QuitSignals.h"
#include "app/SingleInstance.h"
#include "app/StartupHeap.h"
#include "app/VeltraneHubApp.h"

#include "BuildConfig.h"

#include <QGuiApplication>
#include <QLocale>
#include <QQuickWindow>
#include <QTranslator>

#include <cstdio>
#include <optional>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Veltrane Hub"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(BuildConfig::version));
}

void installTranslator(QTranslator &translator)
{
    if (translator.load(QLocale(), QStringLiteral("veltrane-hub"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&translator);
}

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// Before the window's application object, which needs a display: --help, --version and a
// wrong URL or authority answer in any terminal.
CommandLine parseWithoutDisplay(int &argc, char **argv)
{
    QCoreApplication parsing(argc, argv);
    nameApplication();
    QTranslator translator;
    installTranslator(translator);
    return CommandLine::parse(QCoreApplication::arguments(), CommandLine::Others::Ignore);
}

// 0 or 2 when the program is done: it printed the help, the version or an error.
std::optional<int> finish(const CommandLine &commandLine)
{
    switch (commandLine.action) {
    case CommandLine::Action::PrintHelp:
    case CommandLine::Action::PrintVersion:
        print(stdout, commandLine.text);
        return 0;
    case CommandLine::Action::Fail:
        print(stderr, QStringLiteral("veltrane-hub: %1\n").arg(commandLine.text));
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    return std::nullopt;
}

void raise(QQuickWindow *window, const QByteArray &activationToken)
{
    if (!window)
        return;
    // Qt's Wayland backend activates the window with this token (and then clears it); without
    // one a compositor may only flag the window. Elsewhere it would only reach the apps the Hub
    // opens.
    if (!activationToken.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->requestActivate();
}

} // namespace

int main(int argc, char *argv[])
{
    // Without arguments there is nothing to answer before the display: the Hub runs.
    if (argc > 1) {
        if (const std::optional<int> status = finish(parseWithoutDisplay(argc, argv)))
            return *status;
    }

    StartupHeap::reserve();
    VeltraneHubApp::prepareGraphics();
    QGuiApplication app(argc, argv);
    nameApplication();
    QGuiApplication::setDesktopFileName(QStringLiteral("apps.veltrane.Hub"));
    QTranslator translator;
    installTranslator(translator);
    // Now without Qt's own options: anything left that the Hub does not know is a mistake.
    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments());
    if (const std::optional<int> status = finish(commandLine))
        return *status;

    SingleInstance instance;
    if (instance.claim() == SingleInstance::Claim::HeldByOther) {
        if (!instance.activateRunning(qgetenv("XDG_ACTIVATION_TOKEN"))) {
            print(stderr, QCoreApplication::translate("main", "Veltrane Hub is already running but does not answer.")
                              + QLatin1Char('\n'));
            return 1;
        }
        if (commandLine.changesSettings()) {
            print(stderr, QCoreApplication::translate(
                              "main", "Veltrane Hub is already running; quit it to start it with these options.")
                              + QLatin1Char('\n'));
            return 1;
        }
        return 0;
    }

    VeltraneHubApp::prepareSession();
    VeltraneHubApp::Options options = VeltraneHubApp::Options::fromBuild();
    commandLine.applyTo(options);
    VeltraneHubApp hub(std::move(options));
    QObject::connect(&instance, &SingleInstance::activationRequested, &app,
                     [&hub](const QByteArray &token) { raise(hub.window(), token); });
    if (!hub.start())
        return 1;
    const QuitSignals quitSignals;
    return QGuiApplication::exec();
}
