#pragma once

#include "service/UpdateInstaller.h"

#include <QFuture>

#include <memory>

// The program's installer, behind the start-up sweep: the sweep runs on a worker thread while
// the window opens, and every download, install, uninstall and going back waits for it, so no
// operation of this run ever meets a leftover of an earlier one that is being removed.
class SweptInstaller : public AppInstaller {
public:
    // Starts the sweep of what earlier runs left (staging folders, mounts and their daemons,
    // partial and temporary downloads).
    explicit SweptInstaller(std::shared_ptr<UpdateInstaller> installer);
    // For tests: the sweep is whatever the future stands for.
    SweptInstaller(std::shared_ptr<AppInstaller> installer, QFuture<void> swept);

    bool hasCachedImage(const CatalogApp &app) const override;
    QCoro::Task<Outcome<QString>> download(CatalogApp app, Progress progress) override;
    QCoro::Task<Outcome<QString>> prefetch(CatalogApp app, Progress progress) override;
    void cancelDownloads(const QString &appID) override;
    void cancelAllDownloads() override;
    QCoro::Task<> discardImages(QString appID) override;
    QCoro::Task<> pruneImages(QList<CatalogApp> catalogue) override;
    QCoro::Task<Outcome<QString>> install(CatalogApp app, QString image, Progress progress) override;
    QCoro::Task<Outcome<>> uninstall(QString bundleID, QString location) override;
    std::optional<QString> keptVersion(const CatalogApp &app) const override;
    QCoro::Task<Outcome<QString>> goBack(CatalogApp app) override;

private:
    QCoro::Task<> swept();
    // download() or prefetch() once the sweep is done, unless the app's downloads were
    // cancelled meanwhile.
    QCoro::Task<Outcome<QString>> fetch(CatalogApp app, Progress progress, bool urgent);
    int cancelCount(const QString &appID) const { return m_cancels.value(appID) + m_allCancels; }

    std::shared_ptr<AppInstaller> m_installer;
    QFuture<void> m_swept;
    // Cancels so far, per app and of all: a download still waiting has nothing to stop yet.
    QHash<QString, int> m_cancels;
    int m_allCancels = 0;
};
