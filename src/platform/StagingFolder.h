#pragma once

#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <functional>

// A private folder (mode 0700, made with mkdtemp) inside another folder, where something is
// built before it goes into that folder in one step: it is on the same file system, and out of
// other users' reach. It holds a marker naming the run that made it, so that a later run can
// remove what a killed run left behind, and nothing else. Removed with its contents when it goes.
class StagingFolder {
public:
    // Staging folders are named <folder>/<prefix>XXXXXX and hold a file <markerName>.
    static constexpr char prefix[] = ".veltrane-staging-";
    static constexpr char markerName[] = "veltrane-run";

    // Makes the folder and writes runMarker into it. Throws std::system_error when it cannot.
    StagingFolder(const QString &folder, const QByteArray &runMarker);
    StagingFolder(const StagingFolder &) = delete;
    StagingFolder &operator=(const StagingFolder &) = delete;
    ~StagingFolder();

    const QString &path() const { return m_path; }
    int fd() const { return m_fd.get(); }

    // Removes the staging folders in `folder` whose marker `isAbandoned` accepts; those without
    // a readable marker stay. Returns how many were removed.
    static int sweep(const QString &folder, const std::function<bool(const QByteArray &marker)> &isAbandoned);

private:
    QString m_path;
    FileDescriptor m_fd;
};
