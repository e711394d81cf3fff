#pragma once

#include "state/CatalogStore.h"
#include "state/UpdateCoordinator.h"
#include "service/CatalogService.h"

#include <QObject>
#include <QTranslator>

// Serves the test catalogue in place of the endpoint, cache and shipped copy.
class FakeCatalogService : public CatalogService {
public:
    FakeCatalogService() : CatalogService(nullptr) {}
    QCoro::Task<Result> load(Prepare) override { co_return result; }
    Result result;
};

// What the QML tests may arrange: the catalogue served, the installed copies, a fresh store
// state. Everything else they do through the views and the two real objects.
class TestHarness : public QObject {
    Q_OBJECT
    // How often QML asked to quit the application (Qt.quit()).
    Q_PROPERTY(int quitRequests READ quitRequests NOTIFY quitRequested)
public:
    TestHarness();
    ~TestHarness() override;

    CatalogStore &store() { return *m_store; }
    UpdateCoordinator &updates() { return *m_updates; }

    // Back to the test catalogue, loaded, with the default installed copies and no selection.
    Q_INVOKABLE void reset();
    // Serve and load an empty catalogue (the state before the first load, but loaded).
    Q_INVOKABLE void loadEmpty();
    // Serve and load a catalogue of n generated apps (the grid and the search at scale).
    Q_INVOKABLE void loadMany(int n);
    // bundle identifier -> installed version; then the store rescans.
    Q_INVOKABLE void setInstalled(const QVariantMap &versions);
    Q_INVOKABLE CatalogStoreToast makeToast(const QString &text, const QString &symbol, bool isWarning) const;
    Q_INVOKABLE CatalogStoreFilter categoryFilter(const QString &id) const { return CatalogStoreFilter::category(id); }
    // An install step of the app with this catalogue id, as the installer reports it.
    Q_INVOKABLE void downloading(const QString &appID, double fraction);
    // The program's translation of that language ("de") for the views made from now on; an
    // empty code goes back to English.
    Q_INVOKABLE bool useLanguage(const QString &code);
    int quitRequests() const { return m_quitRequests; }
    void countQuitRequest()
    {
        ++m_quitRequests;
        Q_EMIT quitRequested();
    }
    // The app's downloads stop halfway until cancelled; the app has a kept copy of version.
    Q_INVOKABLE void holdDownloads(const QString &appID);
    Q_INVOKABLE void keep(const QString &appID, const QString &version);

Q_SIGNALS:
    void quitRequested();

public:
    static Catalog testCatalogue();

private:
    void load(Catalog catalog, CatalogService::Origin origin);

    FakeCatalogService m_service;
    std::shared_ptr<class HarnessInstalledApps> m_installed;
    std::shared_ptr<class FakeInstaller> m_installer;
    std::unique_ptr<CatalogStore> m_store;
    std::unique_ptr<UpdateCoordinator> m_updates;
    QTranslator m_translator;
    int m_quitRequests = 0;
};
