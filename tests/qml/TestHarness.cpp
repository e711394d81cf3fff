#include "TestHarness.h"

#include "FakeInstaller.h"
#include "platform/DesktopServices.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QMutex>

// Installed copies without a file system; the store reads them on its worker thread.
class HarnessInstalledApps : public InstalledApps {
public:
    QHash<QString, InstalledApp> scan(const QStringList &bundleIDs) const override
    {
        const QMutexLocker lock(&mutex);
        QHash<QString, InstalledApp> found;
        for (const QString &id : bundleIDs) {
            if (copies.contains(id))
                found.insert(id, copies.value(id));
        }
        return found;
    }
    std::optional<InstalledApp> app(const QString &, const QString &) const override { return std::nullopt; }
    void set(const QHash<QString, QString> &versions)
    {
        const QMutexLocker lock(&mutex);
        copies.clear();
        for (auto it = versions.begin(); it != versions.end(); ++it)
            copies.insert(it.key(), {it.key(), it.value(), "/apps/" + it.key()});
    }

    mutable QMutex mutex;
    QHash<QString, InstalledApp> copies;
};

namespace {

CatalogApp testApp(const QString &id, const QString &name, const QString &category, const QString &version,
                   std::optional<QString> bundleID, bool downloadable = true)
{
    CatalogApp app;
    app.id = id;
    app.name = name;
    app.tagline = name + " tagline";
    app.description = "About " + name;
    app.categoryID = category;
    app.version = version;
    app.minimumSystem = "13.0";
    app.bundleID = std::move(bundleID);
    if (downloadable)
        app.downloadURL = QUrl("https://downloads.invalid/" + id + ".dmg");
    app.updatedAt = QDateTime(QDate(2025, 2, 18), QTime(14, 5), Qt::UTC);
    return app;
}

// Toasts go at once: the views' tests make their own.
class InstantClock : public CatalogStore::ToastClock {
public:
    QCoro::Task<> sleep(std::chrono::milliseconds) override { co_return; }
};

// Batchwise is running: the coordinator must ask the user to quit it before an update.
class FakeRunningApps : public RunningApps {
public:
    QList<qint64> processes(const QString &bundleID) const override
    {
        return bundleID == "test.batchwise" ? QList<qint64>{4242} : QList<qint64>{};
    }
};

} // namespace

TestHarness::TestHarness()
    : m_installed(std::make_shared<HarnessInstalledApps>()), m_installer(std::make_shared<FakeInstaller>())
{
    m_store = std::make_unique<CatalogStore>(&m_service, m_installed, std::make_shared<InstantClock>());
    DesktopServices services = DesktopServices::forUser(Locations::fromEnvironment());
    services.runningApps = std::make_shared<FakeRunningApps>();
    m_updates = std::make_unique<UpdateCoordinator>(m_installer, std::move(services),
                                                    m_installed);
    m_store->setUpdates(m_updates.get());
    reset();
}

TestHarness::~TestHarness() = default;

Catalog TestHarness::testCatalogue()
{
    Catalog catalog;
    catalog.version = 7;
    catalog.updatedAt = QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC);
    catalog.categories = {{"photo", "Photography", "photo"}, {"tools", "Tools", "hammer"}, {"games", "Games", "gamecontroller"}};
    CatalogApp photoLab = testApp("photolab", "Photo Lab", "photo", "2.4", "test.photolab");
    photoLab.isFeatured = true;
    CatalogApp sketchpad = testApp("sketchpad", "Sketchpad", "photo", "1.0", "test.sketchpad");
    sketchpad.price = {*Decimal::fromJsonText("4.99"), "EUR"};
    sketchpad.homepageURL = QUrl("https://sketchpad.example/a%20b");
    // Only the https one is ever loaded.
    sketchpad.screenshotURLs = {QUrl("https://127.0.0.1:9/one.png"), QUrl("file:///etc/passwd"), QUrl("http://127.0.0.1:9/two.png")};
    photoLab.source = Source{QUrl("https://example.org/lumen/lumen"), "Lumen team", "GPL-3.0", std::nullopt};
    catalog.apps = {photoLab,
                    testApp("batchwise", "Batchwise", "photo", "1.3.0", "test.batchwise"),
                    sketchpad,
                    testApp("nobundle", "Loose Tool", "tools", "1.0", std::nullopt),
                    testApp("nolink", "Soon", "tools", "0.9", "test.soon", false)};
    return catalog;
}

// As a refresh: unlike the launch, it prefetches nothing (that would download).
void TestHarness::load(Catalog catalog, CatalogService::Origin origin)
{
    m_service.result = {std::move(catalog), origin};
    QCoro::waitFor(m_store->load(CatalogStore::LoadKind::Refresh));
}

void TestHarness::reset()
{
    m_installer->cancelAllDownloads();
    m_installer->held.clear();
    m_installer->kept.clear();
    m_installed->set({{"test.photolab", "2.3"}, {"test.batchwise", "1.3.0"}});
    m_store->setFilter(CatalogStoreFilter::all());
    m_store->setSearchText(QString());
    m_store->setSelectedAppID(std::nullopt);
    load(testCatalogue(), CatalogService::Origin::bundled());
}

void TestHarness::loadEmpty() { load(Catalog::empty(), CatalogService::Origin::network()); }

void TestHarness::loadMany(int n)
{
    Catalog catalog = testCatalogue();
    catalog.apps.clear();
    for (int i = 0; i < n; ++i) {
        const QString id = QString("app%1").arg(i, 3, 10, QLatin1Char('0'));
        catalog.apps.append(testApp(id, QString("App %1").arg(n - i), "photo", "1.0", "test." + id));
    }
    load(catalog, CatalogService::Origin::network());
}

void TestHarness::setInstalled(const QVariantMap &versions)
{
    QHash<QString, QString> copies;
    for (auto it = versions.begin(); it != versions.end(); ++it)
        copies.insert(it.key(), it.value().toString());
    m_installed->set(copies);
    QCoro::waitFor(m_store->rescanInstalled(std::nullopt));
}

void TestHarness::downloading(const QString &appID, double fraction)
{
    m_updates->apply(AppInstaller::Step::downloading(fraction), appID);
}

void TestHarness::holdDownloads(const QString &appID) { m_installer->held.insert(appID); }

void TestHarness::keep(const QString &appID, const QString &version) { m_installer->kept.insert(appID, version); }

CatalogStoreToast TestHarness::makeToast(const QString &text, const QString &symbol, bool isWarning) const
{
    return {QUuid::createUuid(), text, symbol, isWarning};
}

bool TestHarness::useLanguage(const QString &code)
{
    QCoreApplication::removeTranslator(&m_translator);
    if (code.isEmpty())
        return true;
    return m_translator.load(QStringLiteral(VELTRANE_TRANSLATIONS_DIR "/veltrane-hub_") + code)
        && QCoreApplication::installTranslator(&m_translator);
}
