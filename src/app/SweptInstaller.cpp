#include "app/SweptInstaller.h"

#include "service/DmgCache.h"
#include "service/InstallLeftovers.h"

#include <QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

namespace {

QFuture<void> sweepLeftovers(const UpdateInstaller::Options &options)
{
    return QtConcurrent::run([options] {
        InstallLeftovers::sweep(options.locations, options.tools.hdiutil, options.toolTimeout);
        DmgCache(options.locations.updatesFolder()).sweepLeftovers();
    });
}

} // namespace

SweptInstaller::SweptInstaller(std::shared_ptr<UpdateInstaller> installer)
    : SweptInstaller(installer, sweepLeftovers(installer->options()))
{
}

SweptInstaller::SweptInstaller(std::shared_ptr<AppInstaller> installer, QFuture<void> swept)
    : m_installer(std::move(installer)), m_swept(std::move(swept))
{
}

QCoro::Task<> SweptInstaller::swept()
{
    if (!m_swept.isFinished()) {
        const QFuture<void> sweep = m_swept;
        co_await sweep;
    }
}

bool SweptInstaller::hasCachedImage(const CatalogApp &app) const
{
    return m_installer->hasCachedImage(app);
}

QCoro::Task<AppInstaller::Outcome<QString>> SweptInstaller::fetch(CatalogApp app, Progress progress, bool urgent)
{
    const int cancelsBefore = cancelCount(app.id);
    co_await swept();
    if (cancelCount(app.id) != cancelsBefore)
        co_return Failure::of(Failure::Kind::Cancelled);
    QCoro::Task<Outcome<QString>> fetching = urgent ? m_installer->download(std::move(app), std::move(progress))
                                                    : m_installer->prefetch(std::move(app), std::move(progress));
    co_return co_await fetching;
}

QCoro::Task<AppInstaller::Outcome<QString>> SweptInstaller::download(CatalogApp app, Progress progress)
{
    return fetch(std::move(app), std::move(progress), true);
}

QCoro::Task<AppInstaller::Outcome<QString>> SweptInstaller::prefetch(CatalogApp app, Progress progress)
{
    return fetch(std::move(app), std::move(progress), false);
}

void SweptInstaller::cancelDownloads(const QString &appID)
{
    ++m_cancels[appID];
    m_installer->cancelDownloads(appID);
}

void SweptInstaller::cancelAllDownloads()
{
    ++m_allCancels;
    m_installer->cancelAllDownloads();
}

QCoro::Task<> SweptInstaller::discardImages(QString appID)
{
    co_await swept();
    co_await m_installer->discardImages(std::move(appID));
}

QCoro::Task<> SweptInstaller::pruneImages(QList<CatalogApp> catalogue)
{
    co_await swept();
    co_await m_installer->pruneImages(std::move(catalogue));
}

QCoro::Task<AppInstaller::Outcome<QString>> SweptInstaller::install(CatalogApp app, QString image, Progress progress)
{
    co_await swept();
    co_return co_await m_installer->install(std::move(app), std::move(image), std::move(progress));
}

QCoro::Task<AppInstaller::Outcome<>> SweptInstaller::uninstall(QString bundleID, QString location)
{
    co_await swept();
    co_return co_await m_installer->uninstall(std::move(bundleID), std::move(location));
}

std::optional<QString> SweptInstaller::keptVersion(const CatalogApp &app) const
{
    return m_installer->keptVersion(app);
}

QCoro::Task<AppInstaller::Outcome<QString>> SweptInstaller::goBack(CatalogApp app)
{
    co_await swept();
    co_return co_await m_installer->goBack(std::move(app));
}
