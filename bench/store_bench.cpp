// Times what the catalogue store does on every keystroke and after every install:
//   keystroke_to_visible_list_ms  the slowest keystroke of typing "rax" and deleting it again
//                                 over 10,000 apps, until the grid's model holds the new rows
//                                 (a tenth of the apps contain the query)
//   rescan_100_ms                 rescanInstalled() of 100 catalogue apps against 100 installed
//                                 bundles, the scan on its worker thread included
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
    QCoro::Task<Result> load(Prepare) override { co_return Result{m_catalog, Origin::network()}; }

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

void benchKeystrokes(const QString &tempDir)
{
    FixedService service(BenchCatalog::make(10000), tempDir + QStringLiteral("/catalog.json"));
    CatalogStore store(&service, std::make_shared<const InstalledApps>());
    QCoro::waitFor(store.load(CatalogStore::LoadKind::Launch));

    store.setSearchText(QStringLiteral("RAX"));
    const int hits = store.visibleAppsModel()->count();
    if (hits < 900 || hits > 1100)
        std::fprintf(stderr, "unexpected hit count %d\n", hits);
    const char *const typing[] = {"", "r", "ra", "rax", "ra", "r", ""};
    double slowest = 0;
    for (size_t i = 1; i < std::size(typing); ++i) {
        double fastest = std::numeric_limits<double>::max();
        for (int run = 0; run < 11; ++run) {
            store.setSearchText(QString::fromLatin1(typing[i - 1]));
            QElapsedTimer timer;
            timer.start();
            store.setSearchText(QString::fromLatin1(typing[i]));
            fastest = std::min(fastest, double(timer.nsecsElapsed()) / 1e6);
        }
        slowest = std::max(slowest, fastest);
    }
    report("keystroke_to_visible_list_ms", slowest);
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
    CatalogStore store(&service, std::make_shared<const InstalledApps>(locations));
    QCoro::waitFor(store.load(CatalogStore::LoadKind::Launch));
    if (store.installed().size() != 100)
        std::fprintf(stderr, "rescan found %lld of 100 bundles\n", qlonglong(store.installed().size()));
    report("rescan_100_ms", fastestMs(11, [&] { QCoro::waitFor(store.rescanInstalled(std::nullopt)); }));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tempDir;
    if (!tempDir.isValid())
        qFatal("no temporary folder");
    benchKeystrokes(tempDir.path());
    benchRescan(tempDir.path());
    return 0;
}
