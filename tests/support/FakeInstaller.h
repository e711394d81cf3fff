#pragma once

#include "service/AppInstaller.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

// An installer that does no work: it records what it is asked, reports the steps a real one
// would, and answers with what the test scripted. Downloads of apps in `held` wait until the
// test releases them.
class FakeInstaller : public QObject, public AppInstaller {
    Q_OBJECT
public:
    QSet<QString> cached;                       // app ids whose image is in the cache
    QSet<QString> held;                         // app ids whose downloads wait for release() or a cancel
    QHash<QString, Failure> downloadFailures;   // app id -> why its download fails
    QHash<QString, Failure> installFailures;    // app id -> why its install fails
    std::optional<Failure> uninstallFailure;
    bool reportFromAnotherThread = false;       // progress arrives as from the installer's threads

    QStringList downloads;                      // app ids, in the order asked ("<id> prefetch" for those)
    QStringList installs;                       // "<app id> <image>"
    QStringList uninstalls;                     // "<bundle id> <location>"
    QHash<QString, QString> kept;               // app id -> version kept for going back
    QStringList goneBack;                       // app ids
    QStringList discarded;                      // app ids whose images went
    QSet<QString> cancelled;                    // app ids whose downloads were cancelled
    QHash<QString, Progress> progressOf;        // app id -> the reporter of its last download
    int reportsPerDownload = 1;                 // byte reports before a held download waits

    static QString imageOf(const CatalogApp &app) { return QStringLiteral("/cache/%1-%2.dmg").arg(app.id, app.version); }
    static QString bundleOf(const CatalogApp &app) { return QStringLiteral("/Applications/%1.app").arg(app.id); }

    void release(const QString &appID);

    bool hasCachedImage(const CatalogApp &app) const override { return cached.contains(app.id); }
    QCoro::Task<Outcome<QString>> download(CatalogApp app, Progress progress) override;
    QCoro::Task<Outcome<QString>> prefetch(CatalogApp app, Progress progress) override;
    void cancelDownloads(const QString &appID) override;
    void cancelAllDownloads() override;
    QCoro::Task<> discardImages(QString appID) override;
    QCoro::Task<> pruneImages(QList<CatalogApp>) override { co_return; }
    QCoro::Task<Outcome<QString>> install(CatalogApp app, QString image, Progress progress) override;
    QCoro::Task<Outcome<>> uninstall(QString bundleID, QString location) override;
    std::optional<QString> keptVersion(const CatalogApp &app) const override;
    QCoro::Task<Outcome<QString>> goBack(CatalogApp app) override;

Q_SIGNALS:
    void released(const QString &appID);

private:
    void report(const Progress &progress, const Step &step) const;
    QCoro::Task<Outcome<QString>> fetch(CatalogApp app, Progress progress, QString asked);
};
