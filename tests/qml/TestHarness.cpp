#include "TestHarness.h"

#include "platform/DesktopServices.h"
#include "service/UpdateInstaller.h"

#include <QCoroTask>

namespace {

CatalogApp testApp(const QString &id, const QString &name, const QString &category, const QString &version,
                   std::optional<QString> bundleID, bool downloadable = true)
{
    CatalogApp app;
    app.id = id;
    app.name = name;
    app.tagline = name + QStringLiteral(" tagline");
    app.description = QStringLiteral("About ") + name;
    app.categoryID = category;
    app.version = version;
    app.minimumSystem = QStringLiteral("13.0");
    app.bundleID = std::move(bundleID);
    if (downloadable)
        app.downloadURL = QUrl(QStringLiteral("https://downloads.invalid/%1.dmg").arg(id));
    app.updatedAt = QDateTime(QDate(2025, 2, 18), QTime(14, 5), Qt::UTC);
    return app;
}

QHash<QString, InstalledApp> defaultInstalled()
{
    return {
        {QStringLiteral("test.photolab"), {QStringLiteral("test.photolab"), QStringLiteral("2.3"), QStringLiteral("/apps/Photo Lab.app")}},
        {QStringLiteral("test.batchwise"), {QStringLiteral("test.batchwise"), QStringLiteral("1.3.0"), QStringLiteral("/apps/Batchwise.app")}},
    };
}

// Batchwise is running: the coordinator must ask the user to quit it before an update.
class FakeRunningApps : public RunningApps {
public:
    QList<qint64> processes(const QString &bundleID) const override
    {
        return bundleID == QLatin1String("test.batchwise") ? QList<qint64>{4242} : QList<qint64>{};
    }
};

} // namespace

TestHarness::TestHarness() : m_installed(defaultInstalled())
{
    CatalogStore::InstalledScanner scanner;
    scanner.scan = [this](const QStringList &ids) {
        QHash<QString, InstalledApp> found;
        for (const QString &id : ids) {
            if (m_installed.contains(id))
                found.insert(id, m_installed.value(id));
        }
        return found;
    };
    scanner.readBundle = [](const QString &, const QString &) { return std::optional<InstalledApp>(); };
    m_store = std::make_unique<CatalogStore>(&m_service, std::move(scanner));
    DesktopServices services = DesktopServices::forUser(Locations::fromEnvironment());
    services.runningApps = std::make_shared<FakeRunningApps>();
    m_updates = std::make_unique<UpdateCoordinator>(std::make_shared<UpdateInstaller>(), std::move(services),
                                                    std::make_shared<InstalledApps>());
    // Toasts stay until the next one: the tests decide when they look.
    m_store->setToastSleep([](std::chrono::milliseconds) -> QCoro::Task<> { co_return; });
    reset();
}

TestHarness::~TestHarness() = default;

Catalog TestHarness::testCatalogue()
{
    Catalog catalog;
    catalog.version = 7;
    catalog.updatedAt = QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC);
    catalog.categories = {
        {QStringLiteral("photo"), QStringLiteral("Photography"), QStringLiteral("photo")},
        {QStringLiteral("tools"), QStringLiteral("Tools"), QStringLiteral("hammer")},
        {QStringLiteral("games"), QStringLiteral("Games"), QStringLiteral("gamecontroller")},
    };
    CatalogApp photoLab = testApp(QStringLiteral("photolab"), QStringLiteral("Photo Lab"), QStringLiteral("photo"),
                                  QStringLiteral("2.4"), QStringLiteral("test.photolab"));
    photoLab.isFeatured = true;
    photoLab.source = Source{QUrl(QStringLiteral("https://example.org/lumen/lumen")), QStringLiteral("Lumen team"),
                             QStringLiteral("GPL-3.0"), std::nullopt};
    catalog.apps = {
        photoLab,
        testApp(QStringLiteral("batchwise"), QStringLiteral("Batchwise"), QStringLiteral("photo"), QStringLiteral("1.3.0"),
                QStringLiteral("test.batchwise")),
        testApp(QStringLiteral("sketchpad"), QStringLiteral("Sketchpad"), QStringLiteral("photo"), QStringLiteral("1.0"),
                QStringLiteral("test.sketchpad")),
        testApp(QStringLiteral("nobundle"), QStringLiteral("Loose Tool"), QStringLiteral("tools"), QStringLiteral("1.0"),
                std::nullopt),
        testApp(QStringLiteral("nolink"), QStringLiteral("Soon"), QStringLiteral("tools"), QStringLiteral("0.9"),
                QStringLiteral("test.soon"), false),
    };
    return catalog;
}

void TestHarness::load() { QCoro::waitFor(m_store->load()); }

void TestHarness::reset()
{
    m_installed = defaultInstalled();
    m_service.result = {testCatalogue(), CatalogService::Origin::bundled()};
    m_store->setFilter(CatalogStoreFilter::all());
    m_store->setSearchText(QString());
    m_store->setSelectedAppID(std::nullopt);
    load();
}

void TestHarness::loadEmpty()
{
    m_service.result = {Catalog::empty(), CatalogService::Origin::network()};
    load();
}

void TestHarness::loadMany(int n)
{
    Catalog catalog = testCatalogue();
    catalog.apps.clear();
    for (int i = 0; i < n; ++i) {
        const QString id = QStringLiteral("app%1").arg(i, 3, 10, QLatin1Char('0'));
        catalog.apps.append(testApp(id, QStringLiteral("App %1").arg(n - i), QStringLiteral("photo"), QStringLiteral("1.0"),
                                    QStringLiteral("test.") + id));
    }
    m_service.result = {catalog, CatalogService::Origin::network()};
    load();
}

void TestHarness::setInstalled(const QVariantMap &versions)
{
    m_installed.clear();
    for (auto it = versions.begin(); it != versions.end(); ++it)
        m_installed.insert(it.key(), {it.key(), it.value().toString(), QStringLiteral("/apps/") + it.key()});
    m_store->rescanInstalled(std::nullopt);
}

CatalogStoreToast TestHarness::makeToast(const QString &text, const QString &symbol, bool isWarning) const
{
    return {QUuid::createUuid(), text, symbol, isWarning};
}
