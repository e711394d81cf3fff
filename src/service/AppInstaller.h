#pragma once

#include "catalog/Catalog.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <variant>

// What the update coordinator asks of an installer: bring an app's disk image into the cache,
// install the app from an image, move an installed copy to the Trash. Every operation runs its
// blocking work on the installer's own threads and hands back an Outcome: failures travel as
// values, never as exceptions. The program's installer is UpdateInstaller; tests give their own.
class AppInstaller {
    Q_DECLARE_TR_FUNCTIONS(UpdateInstaller)

public:
    // Progress of one operation.
    struct Step {
        enum class Kind { Downloading, Verifying, Installing, Finished };
        Kind kind = Kind::Verifying;
        double fraction = 0;  // Downloading: bytes written / expected length, 0 when unknown
        QString location;     // Finished: the installed bundle
        qint64 received = 0;  // Downloading: bytes of the image that have arrived, kept ones included
        qint64 total = -1;    // Downloading: the image's length, -1 when unknown

        static Step downloading(double f, qint64 received = 0, qint64 total = -1)
        {
            return {Kind::Downloading, f, {}, received, total};
        }
        static Step verifying() { return {Kind::Verifying, 0, {}}; }
        static Step installing() { return {Kind::Installing, 0, {}}; }
        static Step finished(QString at) { return {Kind::Finished, 0, std::move(at)}; }
        friend bool operator==(const Step &, const Step &) = default;
    };

    // Why an operation failed, with the text the user reads.
    struct Failure {
        enum class Kind {
            HttpStatus,          // "Download failed (HTTP %1)."
            MountFailed,         // "Could not open the disk image. %1"
            NotSignedByUs,       // "Refused: the download is not signed by Veltrane. %1"
            GatekeeperRejected,  // "Refused by macOS security check. %1"
            CopyFailed,          // "Could not install the app. %1"
            NoDownloadURL,       // "This app has no download link yet."
            NoAppInImage,        // "The disk image contains no app."
            DifferentApp,        // "The disk image contains a different app."
            Cancelled,           // "The download was stopped." (kept for resuming)
            Other,               // a network, file or launch error, shown with its own text
        };
        Kind kind = Kind::Other;
        int status = 0;  // HttpStatus
        QString detail;  // tool output or error text, for the kinds with a placeholder, and Other

        static Failure of(Kind kind, QString detail = {}) { return {kind, 0, std::move(detail)}; }
        static Failure httpStatus(int status) { return {Kind::HttpStatus, status, {}}; }
        static Failure other(QString text) { return {Kind::Other, 0, std::move(text)}; }

        QString description() const;
        friend bool operator==(const Failure &, const Failure &) = default;
    };

    // The value of an operation that gives none. Not std::monostate: QCoro's task takes that
    // for "no result yet".
    struct Done {
        friend bool operator==(Done, Done) = default;
    };

    // A value, or the failure that prevented it.
    template<typename T = Done>
    class Outcome {
    public:
        Outcome() : m_result(Failure()) {}  // for containers and waiters that need one
        Outcome(T value) : m_result(std::move(value)) {}
        Outcome(Failure failure) : m_result(std::move(failure)) {}

        bool ok() const { return std::holds_alternative<T>(m_result); }
        const T &value() const { return std::get<T>(m_result); }
        const Failure &failure() const { return std::get<Failure>(m_result); }

    private:
        std::variant<T, Failure> m_result;
    };

    // Called from any thread; the caller makes it safe to do so.
    using Progress = std::function<void(const Step &)>;

    AppInstaller() = default;
    AppInstaller(const AppInstaller &) = delete;
    AppInstaller &operator=(const AppInstaller &) = delete;
    virtual ~AppInstaller() = default;

    // Whether the image of the app's catalogue version is in the cache, so that installing it
    // needs no download. Reads the disk; quick.
    virtual bool hasCachedImage(const CatalogApp &app) const = 0;
    // Brings the image of the app's catalogue version into the cache and returns its path; at
    // once, without progress, when it is cached already. A download of the same image that is
    // running already is joined (one transfer, every caller gets its reports and result).
    virtual QCoro::Task<Outcome<QString>> download(CatalogApp app, Progress progress) = 0;
    // The same in the background: waits behind other pre-downloads, never in front of a
    // download(), which also takes over a pre-download of its image that has not started.
    virtual QCoro::Task<Outcome<QString>> prefetch(CatalogApp app, Progress progress) = 0;
    // Stops the app's downloads (or all) soon; they end as Failure::Kind::Cancelled and keep
    // what arrived for resuming.
    virtual void cancelDownloads(const QString &appID) = 0;
    virtual void cancelAllDownloads() = 0;
    // Stops the app's downloads and removes its cached images and partial downloads.
    virtual QCoro::Task<> discardImages(QString appID) = 0;
    // Removes cached images (and partial downloads) older than the catalogue's version of
    // their app. Works in the background.
    virtual QCoro::Task<> pruneImages(QList<CatalogApp> catalogue) = 0;
    // Installs the app from the image and returns the installed bundle's path.
    virtual QCoro::Task<Outcome<QString>> install(CatalogApp app, QString image, Progress progress) = 0;
    // Moves the installed copy at location to the Trash and takes it out of the desktop's menus.
    virtual QCoro::Task<Outcome<>> uninstall(QString bundleID, QString location) = 0;
    // The version of the copy that the app's last update replaced, kept so that the user can go
    // back to it; nothing when none is kept. Reads the disk; quick.
    virtual std::optional<QString> keptVersion(const CatalogApp &app) const = 0;
    // Puts the kept copy back in place of the installed one and returns the installed bundle's
    // path. Nothing is kept afterwards.
    virtual QCoro::Task<Outcome<QString>> goBack(CatalogApp app) = 0;
};
