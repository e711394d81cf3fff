#include "app/ScreenshotScript.h"

#include "app/VeltraneHubApp.h"

#include <QCoroTimer>
#include <QFile>
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

#include <algorithm>

namespace {

QCoro::Task<> pause(int ms)
{
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(ms);
    co_await timer;
}

CatalogStoreFilter filterNamed(const QString &name)
{
    if (name == QLatin1String("all"))
        return CatalogStoreFilter::all();
    if (name == QLatin1String("featured"))
        return CatalogStoreFilter::featured();
    if (name == QLatin1String("updates"))
        return CatalogStoreFilter::updates();
    return CatalogStoreFilter::category(name);
}

QObject *content(QQuickWindow *main)
{
    return main ? main->property("content").value<QObject *>() : nullptr;
}

QQuickWindow *aboutWindow(QQuickWindow *main)
{
    QObject *about = content(main) ? content(main)->property("aboutPanel").value<QObject *>() : nullptr;
    return qobject_cast<QQuickWindow *>(about);
}

void save(QQuickWindow *window, const QString &file)
{
    if (!window || !window->grabWindow().save(file))
        qWarning("screenshot: could not write %s", qPrintable(file));
}

// The window's own scenes: its smallest size, the grid with the keyboard, the sidebar hidden.
// False when the command is not one of them.
bool runWindowCommand(QQuickWindow *main, const QString &command)
{
    QObject *rootView = content(main) ? content(main)->property("rootView").value<QObject *>() : nullptr;
    if (command == QLatin1String("smallest")) {
        if (main)
            main->resize(main->minimumSize());
    }
    else if (command == QLatin1String("focus-grid")) {
        QObject *catalog = rootView ? rootView->property("catalog").value<QObject *>() : nullptr;
        if (auto *grid = qobject_cast<QQuickItem *>(catalog ? catalog->property("grid").value<QObject *>() : nullptr))
            grid->forceActiveFocus(Qt::TabFocusReason);
    }
    else if (command == QLatin1String("toggle-sidebar"))
        QMetaObject::invokeMethod(rootView, "toggleSidebar");
    else
        return false;
    return true;
}

// The detail pane's scenes: an install of a catalogue app, the more-actions menu open, a
// screenshot shown larger, the window at another size.
QObject *detailPart(QQuickWindow *main, const char *name)
{
    QObject *object = content(main);
    for (const char *step : {"rootView", "detail", "content", name})
        object = object ? object->property(step).value<QObject *>() : nullptr;
    return object;
}

bool detailCommand(VeltraneHubApp &hub, const QString &command, const QString &argument)
{
    if (command == QLatin1String("install")) {
        const QList<CatalogApp> &apps = hub.store().catalog().apps;
        const auto app = std::find_if(apps.begin(), apps.end(), [&](const CatalogApp &a) { return a.id == argument; });
        if (app != apps.end())
            hub.updates().install(*app);
        return true;
    }
    if (command == QLatin1String("more-actions")) {
        QObject *more = detailPart(hub.window(), "moreActions");
        QObject *menu = more ? more->property("menu").value<QObject *>() : nullptr;
        if (menu)
            QMetaObject::invokeMethod(menu, "open");
        return true;
    }
    if (command == QLatin1String("resize")) {
        if (hub.window())
            hub.window()->resize(argument.section(QLatin1Char(' '), 0, 0).toInt(), argument.section(QLatin1Char(' '), 1).toInt());
        return true;
    }
    if (command == QLatin1String("view-screenshot")) {
        QObject *row = detailPart(hub.window(), "screenshots");
        QObject *viewer = row ? row->property("viewer").value<QObject *>() : nullptr;
        const std::optional<CatalogApp> app = hub.store().selectedApp();
        if (viewer && app && !app->fetchableScreenshotURLs().isEmpty())
            QMetaObject::invokeMethod(viewer, "show", Q_ARG(QUrl, app->fetchableScreenshotURLs().constFirst()));
        return true;
    }
    return false;
}

} // namespace

QCoro::Task<> ScreenshotScript::run(VeltraneHubApp &hub, QString path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning("screenshot: cannot read %s", qPrintable(path));
        co_return;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString command = line.section(QLatin1Char(' '), 0, 0);
        const QString argument = line.section(QLatin1Char(' '), 1);
        if (command == QLatin1String("wait")) {
            // Named, not a temporary: GCC 12 mishandles co_await on a temporary task.
            QCoro::Task<> paused = pause(argument.toInt());
            co_await paused;
        }
        else if (command == QLatin1String("select"))
            hub.store().setSelectedAppID(argument);
        else if (command == QLatin1String("deselect"))
            hub.store().setSelectedAppID(std::nullopt);
        else if (command == QLatin1String("search"))
            hub.store().setSearchText(argument);
        else if (command == QLatin1String("filter"))
            hub.store().setFilter(filterNamed(argument));
        else if (command == QLatin1String("refresh"))
            hub.store().startLoad(CatalogStore::LoadKind::Refresh);
        else if (command == QLatin1String("about"))
            QMetaObject::invokeMethod(content(hub.window()), "showAbout");
        else if (command == QLatin1String("shot"))
            save(hub.window(), argument);
        else if (command == QLatin1String("shot-about"))
            save(aboutWindow(hub.window()), argument);
        else if (command == QLatin1String("quit"))
            QGuiApplication::quit();
        else if (!runWindowCommand(hub.window(), command) && !detailCommand(hub, command, argument))
            qWarning("screenshot: unknown command %s", qPrintable(command));
    }
}
