// Times what the catalogue store does on every keystroke and after every install:
//   visible_apps_query_ms  visibleApps() of 10,000 apps for a three-letter query that about a
//                          tenth of them contain
//   visible_apps_all_ms    visibleApps() of the same catalogue, All Apps, no query
//   visible_apps_all_view_ms  the same through the visibleApps property the grid reads
//   rescan_100_ms          rescanInstalled() of 100 catalogue apps against 100 installed bundles
// Each figure is the fastest of several runs: the work is deterministic, so the fastest run is
// its own cost, and other programs on a shared machine only ever add to it.

#include "state/CatalogStore.h"
#include "store_catalog.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

struct NetworkHolder {
    QNetworkAccessManager network;
};

CatalogService::Options optionsWithCache(const QString &cacheFile)
{
    CatalogService::Options options;
    options.cacheFile = cacheFile;
    return options;
}

// Hands the store a catalogue without network or files.
class FixedService : private NetworkHolder, public CatalogService {
public:
    FixedService(Catalog catalog, const QString &cacheFile)
        : CatalogService(&network, optionsWithCache(cacheFile)), m_catalog(std::move(catalog))
    {
    }
    QCoro::Task<Result> load() override { co_return Result{m_catalog, Origin::network()}; }

private:
    Catalog m_catalog;
};

template<typename Work>
double fastestMs(int runs, Work work)
{
    double fastest = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, double(timer.nsecsElapsed()) / 1e6);
    }
    return fastest;
}

void report(const char *name, double ms) { std::printf("BENCH %s %.3f ms\n", name, ms); }

void benchVisibleApps(const QString &tempDir)
{
    FixedService service(BenchCatalog::make(10000), tempDir + QStringLiteral("/catalog.json"));
    CatalogStore store(&service, CatalogStore::InstalledScanner{
                                     [](const QStringList &) { return QHash<QString, InstalledApp>(); },
                                     [](const QString &, const QString &) { return std::optional<InstalledApp>(); }});
    QCoro::waitFor(store.load());

    store.setSearchText(QStringLiteral("RAX"));
    const qsizetype hits = store.visibleApps().size();
    if (hits < 900 || hits > 1100)
        std::fprintf(stderr, "unexpected hit count %lld\n", qlonglong(hits));
    report("visible_apps_query_ms", fastestMs(21, [&] { (void)store.visibleApps(); }));

    store.setSearchText(QString());
    report("visible_apps_all_ms", fastestMs(21, [&] { (void)store.visibleApps(); }));
    // What the grid reads: the same list as QVariants.
    report("visible_apps_all_view_ms", fastestMs(21, [&] { (void)store.property("visibleApps"); }));
}

void writeBundle(const QString &applications, int i)
{
    const QString contents = QStringLiteral("%1/Bench App %2.app/Contents").arg(applications).arg(i);
    QDir().mkpath(contents);
    QFile plist(contents + QStringLiteral("/Info.plist"));
    if (!plist.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(plist.fileName()));
    plist.write(QStringLiteral(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                    "<plist version=\"1.0\">\n<dict>\n"
                    "  <key>CFBundleIdentifier</key><string>com.example.bench%1</string>\n"
                    "  <key>CFBundleShortVersionString</key><string>1.%1</string>\n"
                    "  <key>CFBundleExecutable</key><string>bench%1</string>\n"
                    "  <key>CFBundleName</key><string>Bench App %1</string>\n"
                    "</dict>\n</plist>\n")
                    .arg(i)
                    .toUtf8());
}

void benchRescan(const QString &tempDir)
{
    Locations locations;
    locations.home = tempDir + QStringLiteral("/home");
    locations.dataHome = locations.home + QStringLiteral("/.local/share");
    locations.dataDirs = {tempDir + QStringLiteral("/share")};
    locations.systemApplications = tempDir + QStringLiteral("/Applications");
    locations.tempDir = tempDir;
    QDir().mkpath(locations.dataHome);

    Catalog catalog = Catalog::empty();
    for (int i = 0; i < 100; ++i) {
        writeBundle(locations.systemApplications, i);
        CatalogApp app;
        app.id = QStringLiteral("bench%1").arg(i);
        app.name = QStringLiteral("Bench App %1").arg(i);
        app.bundleID = QStringLiteral("com.example.bench%1").arg(i);
        app.version = QStringLiteral("2.0");
        catalog.apps.append(app);
    }

    FixedService service(catalog, tempDir + QStringLiteral("/catalog.json"));
    CatalogStore store(&service, InstalledApps(locations));
    QCoro::waitFor(store.load());
    if (store.installed().size() != 100)
        std::fprintf(stderr, "rescan found %lld of 100 bundles\n", qlonglong(store.installed().size()));
    report("rescan_100_ms", fastestMs(11, [&] { store.rescanInstalled(std::nullopt); }));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tempDir;
    if (!tempDir.isValid())
        qFatal("no temporary folder");
    benchVisibleApps(tempDir.path());
    benchRescan(tempDir.path());
    return 0;
}
