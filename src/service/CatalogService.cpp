#include "service/CatalogService.h"

#include "BuildConfig.h"
#include "catalog/CatalogJson.h"
#include "platform/AtomicFile.h"
#include "platform/Locations.h"
#include "service/TlsTrust.h"
#include "service/UnresolvedHosts.h"

#include <QCoroFuture>
#include <QCoroNetworkReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QtConcurrent>

Q_LOGGING_CATEGORY(lcCatalog, "apps.veltrane.hub.catalog")

namespace {

const QString defaultBundledResource = QStringLiteral(":/catalog.json");

// What a fetch gave: a catalogue, or the text of the failure.
struct Fetched {
    std::optional<Catalog> catalog;
    QString failure;
};

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

std::optional<Catalog> decodeFile(const QString &path)
{
    const std::optional<QByteArray> data = readFile(path);
    if (!data)
        return std::nullopt;
    return CatalogJson::decode(*data);
}

// The cached catalogue with the cache file's modification time, if the file decodes.
std::optional<CatalogService::Result> readCache(const QString &path)
{
    std::optional<Catalog> catalog = decodeFile(path);
    if (!catalog)
        return std::nullopt;
    QDateTime modified = QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
    if (!modified.isValid())
        modified = QDateTime::currentDateTime();
    return CatalogService::Result{std::move(*catalog), CatalogService::Origin::cache(modified)};
}

// Atomic, so a concurrent reader sees the old file or the new one. A failure (a full disk)
// leaves the old file as it was and is only logged: the next successful load tries again.
void writeCache(const QString &path, const Catalog &catalog)
{
    const AtomicFile::Result written = AtomicFile::write(path, CatalogJson::encode(catalog));
    if (!written.ok())
        qCWarning(lcCatalog, "catalogue not saved: %s", qUtf8Printable(written.error));
}

Catalog decodeBundled(const QString &resource)
{
    std::optional<Catalog> catalog = decodeFile(resource);
    return catalog ? std::move(*catalog) : Catalog::empty();
}

struct ReplyDeleter {
    void operator()(QNetworkReply *reply) const { reply->deleteLater(); }
};

} // namespace

struct CatalogService::Private {
    QNetworkAccessManager *network = nullptr;
    Options options;
    std::optional<QSslConfiguration> sslConfiguration;  // only with an extra authority
    QFuture<void> requestsReleased = QtFuture::makeReadyFuture();

    QCoro::Task<Fetched> fetch(Prepare prepare);
    QCoro::Task<std::optional<QSslConfiguration>> tlsConfiguration();
    QNetworkRequest request(const std::optional<QSslConfiguration> &tls) const;
    static QString failureOf(QNetworkReply *reply);
};

CatalogService::CatalogService(QNetworkAccessManager *network, Options options)
    : d(std::make_unique<Private>())
{
    d->network = network;
    d->options = std::move(options);
    if (d->options.cacheFile.isEmpty())
        d->options.cacheFile = Locations::fromEnvironment().catalogCacheFile();
    QDir().mkpath(QFileInfo(d->options.cacheFile).path());  // a failure only costs the cache
}

CatalogService::CatalogService(QNetworkAccessManager *network) : CatalogService(network, Options{}) {}

CatalogService::~CatalogService() = default;

QUrl CatalogService::endpoint()
{
    return QUrl(QStringLiteral("https://%1/api/apps.json").arg(QLatin1String(BuildConfig::catalogHost)));
}

const Catalog &CatalogService::bundled()
{
    static const Catalog catalog = decodeBundled(defaultBundledResource);
    return catalog;
}

void CatalogService::holdRequestsUntil(QFuture<void> released)
{
    d->requestsReleased = std::move(released);
}

QString CatalogService::cacheFile() const { return d->options.cacheFile; }

// Every future below is a named local before it is awaited: g++ 12 can destroy temporaries of
// a full-expression that contains co_await twice.
QCoro::Task<CatalogService::Result> CatalogService::load(Prepare prepare)
{
    const QString cacheFile = d->options.cacheFile;
    Fetched fetched = co_await d->fetch(prepare);
    if (fetched.catalog) {
        const Catalog catalog = std::move(*fetched.catalog);
        QFuture<void> written = QtConcurrent::run([cacheFile, catalog] { writeCache(cacheFile, catalog); });
        co_await written;
        co_return Result{catalog, Origin::network()};
    }

    qCCritical(lcCatalog, "catalogue fetch failed: %s", qUtf8Printable(fetched.failure));
    // The saved copy, else the built-in one: one trip to a worker thread, as each trip waits
    // for the window's thread to pass the result on.
    const QString resource = d->options.bundledResource;
    QFuture<Result> fallback = QtConcurrent::run([cacheFile, resource, prepare] {
        Result result = [&] {
            if (std::optional<Result> cached = readCache(cacheFile))
                return std::move(*cached);
            if (resource != defaultBundledResource)
                return Result{decodeBundled(resource), Origin::bundled()};
            return Result{CatalogService::bundled(), Origin::bundled()};
        }();
        if (prepare)
            prepare(result.catalog);
        return result;
    });
    co_return co_await fallback;
}

QCoro::Task<std::optional<QSslConfiguration>> CatalogService::Private::tlsConfiguration()
{
    if (options.extraCaFile.isEmpty())
        co_return std::nullopt;  // the manager's defaults: the system's authorities
    if (!sslConfiguration) {
        const QString caFile = options.extraCaFile;
        QFuture<QSslConfiguration> built = QtConcurrent::run([caFile] { return TlsTrust::trusting(caFile); });
        sslConfiguration = co_await built;
    }
    co_return sslConfiguration;
}

QNetworkRequest CatalogService::Private::request(const std::optional<QSslConfiguration> &tls) const
{
    QNetworkRequest request(options.endpoint);
    request.setTransferTimeout(options.timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Accept", "application/json");
    if (tls)
        request.setSslConfiguration(*tls);
    return request;
}

QString CatalogService::Private::failureOf(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return QStringLiteral("HTTP %1").arg(status.toInt());
    // Nothing else cancels the request: the transfer timeout fired.
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return QStringLiteral("The request timed out.");
    if (reply->error() != QNetworkReply::NoError)
        return reply->errorString();
    if (!status.isValid())
        return QStringLiteral("bad server response");
    return {};
}

QCoro::Task<Fetched> CatalogService::Private::fetch(Prepare prepare)
{
    // Offline, a name that does not resolve ends the fetch before TLS is set up for it.
    const UnresolvedHosts::Answer lookup =
        co_await UnresolvedHosts::lookUp(options.endpoint, network, options.timeoutMs);
    if (lookup == UnresolvedHosts::Answer::notFound)
        co_return Fetched{std::nullopt, QStringLiteral("Host %1 not found").arg(options.endpoint.host())};
    if (lookup == UnresolvedHosts::Answer::timedOut)
        co_return Fetched{std::nullopt, QStringLiteral("The request timed out.")};
    const std::optional<QSslConfiguration> tls = co_await tlsConfiguration();
    QFuture<void> released = requestsReleased;
    co_await qCoro(released).waitForFinished();
    const QNetworkRequest get = request(tls);
    const std::unique_ptr<QNetworkReply, ReplyDeleter> reply(network->get(get));

    // The body is collected as it arrives so that an oversized one is cut off early instead
    // of being held whole.
    const qint64 limit = options.maxBodyBytes;
    auto body = std::make_shared<QByteArray>();
    auto tooLarge = std::make_shared<bool>(false);
    const auto collect = [r = reply.get(), body, tooLarge, limit] {
        if (*tooLarge || !r->isOpen())  // closed: aborted or timed out
            return;
        const QVariant announced = r->header(QNetworkRequest::ContentLengthHeader);
        const qint64 available = r->bytesAvailable();
        if ((announced.isValid() && announced.toLongLong() > limit) || body->size() + available > limit) {
            *tooLarge = true;
            r->abort();
            return;
        }
        body->append(r->readAll());
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, reply.get(), collect);
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), collect);

    QNetworkReply *const finished = reply.get();
    co_await finished;
    collect();

    if (*tooLarge)
        co_return Fetched{std::nullopt, QStringLiteral("response body larger than %1 bytes").arg(limit)};
    if (const QString failure = failureOf(reply.get()); !failure.isEmpty())
        co_return Fetched{std::nullopt, failure};

    QFuture<Fetched> decoded = QtConcurrent::run([body, prepare] {
        CatalogJson::DecodeError error;
        std::optional<Catalog> catalog = CatalogJson::decode(*body, &error);
        if (catalog && prepare)
            prepare(*catalog);
        return Fetched{std::move(catalog), error.toString()};
    });
    co_return co_await decoded;
}
