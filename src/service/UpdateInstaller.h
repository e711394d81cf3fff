#pragma once

#include "platform/Locations.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <chrono>
#include <exception>
#include <functional>
#include <optional>

// Turns a download link into an installed, verified app: streams the disk image into a
// per-app cache, mounts it, checks the app's signature, team and the system assessment,
// puts it into the Applications folder atomically, registers it and unmounts.
// Holds no mutable state: copies may be used from several threads at once.
class UpdateInstaller {
    Q_DECLARE_TR_FUNCTIONS(UpdateInstaller)

public:
    // Progress of one operation.
    struct Step {
        enum class Kind { Downloading, Verifying, Installing, Finished };
        Kind kind = Kind::Verifying;
        double fraction = 0;  // Downloading: bytes written / expected length, 0 when unknown
        QString location;     // Finished: the installed bundle

        static Step downloading(double f) { return {Kind::Downloading, f, {}}; }
        static Step verifying() { return {Kind::Verifying, 0, {}}; }
        static Step installing() { return {Kind::Installing, 0, {}}; }
        static Step finished(QString at) { return {Kind::Finished, 0, std::move(at)}; }
        friend bool operator==(const Step &, const Step &) = default;
    };

    // The installer's own failures, each with the text the user reads.
    struct Failure {
        enum class Kind {
            HttpStatus,          // "Download failed (HTTP %lld)."
            MountFailed,         // "Could not open the disk image. %@"
            NotSignedByUs,       // "Refused: the download is not signed by Veltrane. %@"
            GatekeeperRejected,  // "Refused by macOS security check. %@"
            CopyFailed,          // "Could not install the app. %@"
            NoDownloadURL,       // "This app has no download link yet."
            NoAppInImage,        // "The disk image contains no app."
        };
        Kind kind = Kind::MountFailed;
        int status = 0;  // HttpStatus
        QString detail;  // tool output or error text, for the kinds with a placeholder

        QString description() const;
        friend bool operator==(const Failure &, const Failure &) = default;
    };

    // What fetchDMG and install throw: an installer Failure, or another error (network, file
    // system, a tool that cannot start) shown with its own text.
    class Error : public std::exception {
    public:
        explicit Error(Failure failure);
        static Error other(QString description);

        const std::optional<Failure> &failure() const { return m_failure; }
        QString description() const { return m_description; }
        const char *what() const noexcept override;

    private:
        Error() = default;
        std::optional<Failure> m_failure;
        QString m_description;
        QByteArray m_what;
    };

    // Called from any thread; the caller makes it safe to do so.
    using Progress = std::function<void(const Step &)>;

    // Absolute paths of the system tools; tests point them at stand-ins.
    struct Tools {
        QString hdiutil, codesign, spctl, xattr;
        static Tools installed();  // <prefix>/libexec/veltrane-hub/<tool>
    };

    struct Options {
        Locations locations = Locations::fromEnvironment();
        Tools tools = Tools::installed();
        QString extraCaFile;  // PEM authority trusted besides the system's
        QString teamIdentifier;  // empty: the maker's team
        // A tool still running after this long is killed and counts as failed.
        std::chrono::seconds toolTimeout{600};
    };

    // The installed tools and the user's folders; only the system's authorities are trusted.
    UpdateInstaller();
    explicit UpdateInstaller(Options options);

    QString cacheDirectory() const;  // <data>/VeltraneHub/Updates, created when missing
    // <cache>/<appID>-<version>.dmg (it may not exist). Empty when the id or version cannot be
    // part of a file name in the cache ("/", control characters, a leading ".", empty);
    // fetchDMG and install refuse those with a clear text.
    QString cachedDMG(const QString &appID, const QString &version) const;
    static QString destinationDirectory(const Locations &locations);

    // Returns the cached image, downloading it first when it is not cached. Throws Error.
    // The download runs on a worker thread and reports progress there; the caller's thread
    // only waits for the result. Safe to call on a temporary installer.
    QCoro::Task<QString> fetchDMG(QString appID, QString version, QUrl from, Progress progress) const;
    // Installs the app in the image and returns its location. Blocks while the tools run:
    // never call it on the window's thread. Throws Error. A cached image that cannot be
    // opened or holds no app is removed from the cache, so the next attempt downloads it.
    QString install(const QString &dmg, const Progress &progress) const;

    const Options &options() const { return m_options; }

private:
    Options m_options;
};
