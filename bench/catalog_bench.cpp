#include "catalog/CatalogJson.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <QFile>
#include <simdjson.h>
#include <vector>

// Times decode and encode of a generated 10,000-app catalogue, and simdjson's bare DOM parse
// of the same bytes, which is the floor that decoding is measured against.

namespace {

using namespace Qt::StringLiterals;

constexpr int appCount = 10000;
constexpr int repetitions = 15;

const char *const sentences[] = {
    "It opens instantly and stays out of your way.",
    "Every change can be undone, even after you quit.",
    "Files are stored as plain documents in the folders you choose.",
    "Keyboard shortcuts cover every command, and the toolbar can be customised.",
    "Exports go to PDF, PNG, SVG and HTML without extra plug-ins.",
    "Dark mode, accessibility labels and localisations in twelve languages are built in.",
};
const char *const licenses[] = {"GPL-3.0",    "MIT",      "MPL-2.0",
                                "Apache-2.0", "LGPL-2.1", "BSD-3-Clause"};
const char *const categories[] = {"photo",     "graphics", "audio",    "writing",
                                  "developer", "data",     "utilities"};

// A catalogue shaped like the real one: most keys present, some optional ones left out.
Catalog generate()
{
    Catalog c;
    c.version = 1234;
    c.updatedAt = QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC);
    for (const char *id : categories)
        c.categories.append(
            {QString::fromLatin1(id), QString::fromLatin1(id).toUpper(), u"gearshape"_s});
    c.apps.reserve(appCount);
    for (int i = 0; i < appCount; ++i) {
        const QString id = u"app%1"_s.arg(i);
        CatalogApp a;
        a.id = id;
        a.name = u"Veltrane App %1"_s.arg(i);
        a.tagline = u"A small, fast tool for everyday task number %1"_s.arg(i);
        for (int s = 0; s < 2 + i % 3; ++s)
            a.description += QString::fromLatin1(sentences[(i + s) % 6]) + u' ';
        a.categoryID = QString::fromLatin1(categories[i % 7]);
        if (i % 17)
            a.bundleID = u"app.veltrane."_s + id;
        a.version = u"%1.%2.%3"_s.arg(i % 5 + 1).arg(i % 10).arg(i % 7);
        a.minimumSystem = u"13.0"_s;
        a.price = {*Decimal::fromJsonText(i % 5 ? "0" : "4.99"), u"EUR"_s};
        a.iconURL = QUrl(u"https://hub.veltrane.app/icons/%1.png"_s.arg(id));
        for (int s = 1; s <= i % 4; ++s)
            a.screenshotURLs.append(
                QUrl(u"https://hub.veltrane.app/screenshots/%1-%2.png"_s.arg(id).arg(s)));
        if (i % 23)
            a.downloadURL =
                QUrl(u"https://hub.veltrane.app/downloads/%1-%2.dmg"_s.arg(id, a.version));
        a.homepageURL = QUrl(u"https://veltrane.app/apps/"_s + id);
        if (i % 2) {
            Source s{QUrl(u"https://github.com/upstream%1/%2"_s.arg(i % 100).arg(id)),
                     u"Upstream Author %1"_s.arg(i % 100), QString::fromLatin1(licenses[i % 6]),
                     std::nullopt};
            if (i % 4 == 1)
                s.fork = QUrl(u"https://github.com/veltrane/"_s + id);
            a.source = s;
        }
        a.isFeatured = i % 11 == 0;
        a.updatedAt = c.updatedAt.addSecs(-qint64(i) * 3600);
        c.apps.append(a);
    }
    return c;
}

// CPU time of the calling thread: the machine may be busy with other work, and wall time
// would count the time this process waits for a core.
double threadCpuMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Median time of fn in milliseconds, after two untimed warm-up runs. What fn returns is
// destroyed after the clock stops.
template <typename Fn> double medianMs(Fn fn)
{
    for (int r = 0; r < 2; ++r)
        fn();
    std::vector<double> times;
    for (int r = 0; r < repetitions; ++r) {
        const double start = threadCpuMs();
        [[maybe_unused]] const auto result = fn();
        times.push_back(threadCpuMs() - start);
    }
    std::nth_element(times.begin(), times.begin() + repetitions / 2, times.end());
    return times[repetitions / 2];
}

} // namespace

int main()
{
    const Catalog catalog = generate();
    const QByteArray json = CatalogJson::encode(catalog);
    if (qEnvironmentVariableIsSet("CATALOG_BENCH_SAVE")) { // keep the input for profiling
        QFile file(qEnvironmentVariable("CATALOG_BENCH_SAVE"));
        if (file.open(QIODevice::WriteOnly))
            file.write(json);
    }
    if (!(CatalogJson::decode(json) == catalog)) {
        std::fprintf(stderr, "catalog_bench: the generated catalogue does not round-trip\n");
        return 1;
    }

    simdjson::dom::parser parser;
    const double parseMs = medianMs([&] {
        simdjson::dom::element root;
        return parser.parse(json.constData(), size_t(json.size())).get(root);
    });
    const double decodeMs = medianMs([&] { return CatalogJson::decode(json); });
    const double encodeMs = medianMs([&] { return CatalogJson::encode(catalog); });

    std::printf("BENCH catalog_bytes %lld bytes\n", static_cast<long long>(json.size()));
    std::printf("BENCH catalog_parse_ms %.2f ms\n", parseMs);
    std::printf("BENCH catalog_decode_ms %.2f ms\n", decodeMs);
    std::printf("BENCH catalog_encode_ms %.2f ms\n", encodeMs);
    std::printf("BENCH catalog_decode_ratio %.2f x\n", decodeMs / parseMs);
    return 0;
}
