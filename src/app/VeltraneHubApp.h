#pragma once

#include "state/CatalogStore.h"
#include "state/UpdateCoordinator.h"
#include "app/ImageNetwork.h"
#include "service/CatalogService.h"
#include "service/UpdateInstaller.h"

#include <QNetworkAccessManager>
#include <QPromise>
#include <QQmlApplicationEngine>
#include <QThreadPool>
#include <QTranslator>

#include <memory>

class QQuickWindow;

// The application: the two long-lived objects, built once, the one window with its menus,
// and the launch sequence. The engine is made first, so that its loader thread compiles the
// window's types while the rest is made, and destroyed first, with every QML object, before
// the store and the coordinator it shows.
class VeltraneHubApp {
public:
    // Where the catalogue comes from and how apps are installed. The program uses the build's
    // settings; the end-to-end test points them at a maker's server and tools of its own.
    struct Options {
        CatalogService::Options catalog;
        UpdateInstaller::Options installer;

        static Options fromBuild();
    };

    VeltraneHubApp();
    explicit VeltraneHubApp(Options options);
    ~VeltraneHubApp();

    // Before the application object exists: picks the renderer for this machine.
    static void prepareGraphics();
    // Once the application object exists, before the window: connects to the session bus on a
    // worker, as the window will.
    static void prepareSession();

    // Opens the window and starts the launch sequence. False when the window failed to load.
    bool start();

    CatalogStore &store() { return m_store; }
    UpdateCoordinator &updates() { return m_updates; }
    QQuickWindow *window() const;

private:
    // Each time the installed apps are found anew: copies without a menu entry get one (a run
    // stopped between placing an app and registering it leaves none). Off the window's thread.
    void registerMissingEntries();
    // Releases the catalogue's requests and makes the window's content once its outline is
    // drawn.
    void showContentOnceDrawn();
    void showContent();
    // For quitting: the window goes, downloads and tools stop, installs putting an app in place
    // finish. Returns when no install or uninstall runs.
    void stopWork();

    static constexpr int notDrawnDelay = 500;        // ms
    static constexpr int loadingContentDelay = 10;   // ms

    // Already loading the window's types.
    static std::unique_ptr<QQmlApplicationEngine> startEngine();

    std::unique_ptr<QQmlApplicationEngine> m_engine;  // reset first in the destructor
    QTranslator m_translator;
    QNetworkAccessManager m_network;
    CatalogService m_service;
    std::shared_ptr<const InstalledApps> m_installedApps;
    CatalogStore m_store;
    UpdateCoordinator m_updates;
    std::optional<ImageNetworkFactory> m_imageNetwork;
    QPromise<void> m_drawn;  // the window's first frame
    bool m_contentShown = false;
    Locations m_locations;
    QThreadPool m_entryWriter;  // one thread: entries are written one scan after the other
};
