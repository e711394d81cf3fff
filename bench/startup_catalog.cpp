// Writes the benchmarks' made-up catalogue of N apps as JSON, in the Hub's own format.
//   bench_startup_catalog N FILE

#include "catalog/CatalogJson.h"
#include "store_catalog.h"

#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup_catalog N FILE\n");
        return 2;
    }
    const QByteArray json = CatalogJson::encode(BenchCatalog::make(QByteArray(argv[1]).toInt()));
    CatalogJson::DecodeError error;
    if (!CatalogJson::decode(json, &error)) {
        std::fprintf(stderr, "the made-up catalogue does not decode: %s\n", qPrintable(error.toString()));
        return 1;
    }
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size())
        return 1;
    return 0;
}
