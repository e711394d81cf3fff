#include "service/CatalogService.h"

#include "BuildConfig.h"

// Stand-in until the catalogue service lands: always the built-in (empty) catalogue.
struct CatalogService::Private {
    QNetworkAccessManager *network = nullptr;
    Options options;
};

CatalogService::CatalogService(QNetworkAccessManager *network, Options options)
    : d(std::make_unique<Private>(Private{network, std::move(options)}))
{
}

CatalogService::CatalogService(QNetworkAccessManager *network) : CatalogService(network, Options{}) {}

CatalogService::~CatalogService() = default;

QUrl CatalogService::endpoint()
{
    return QUrl(QStringLiteral("https://%1/api/apps.json").arg(QLatin1String(BuildConfig::catalogHost)));
}

const Catalog &CatalogService::bundled()
{
    static const Catalog catalog = Catalog::empty();
    return catalog;
}

QCoro::Task<CatalogService::Result> CatalogService::load()
{
    co_return Result{bundled(), Origin::bundled()};
}

QString CatalogService::cacheFile() const { return d->options.cacheFile; }
