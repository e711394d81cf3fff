#pragma once

#include "model/CatalogStore.h"
#include "model/UpdateCoordinator.h"
#include "service/CatalogService.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QQmlApplicationEngine>
#include <QTranslator>

class QQuickWindow;

// The application: the two long-lived objects, built once, the one window with its menus,
// and the launch sequence. Members are declared so the engine (and every QML object) goes
// before the store and the coordinator it shows.
class VeltraneHubApp {
public:
    VeltraneHubApp();
    ~VeltraneHubApp();

    // Opens the window and starts the launch sequence. False when the window failed to load.
    bool start();

    CatalogStore &store() { return m_store; }
    UpdateCoordinator &updates() { return m_updates; }
    QQuickWindow *window() const;

    // Connects the coordinator to the store, loads the catalogue, then prefetches updates.
    static QCoro::Task<> launch(CatalogStore &store, UpdateCoordinator &updates);

private:
    static CatalogService::Options serviceOptions();

    QTranslator m_translator;
    QNetworkAccessManager m_network;
    CatalogService m_service;
    CatalogStore m_store;
    UpdateCoordinator m_updates;
    QQmlApplicationEngine m_engine;
};
