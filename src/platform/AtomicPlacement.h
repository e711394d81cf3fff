#pragma once

#include <QString>

// Puts a copy of a folder (an app bundle) into a destination folder in one step, so that at
// every moment the destination holds either the previous app or the new one, whole.
//
// The copy is staged in a private folder (mode 0700, made with mkdtemp) inside the destination
// folder, so it is on the same file system and nobody else can touch it. A fresh install then
// renames the staged copy into place without replacing anything; an update exchanges the staged
// copy with the installed one and then deletes the old one together with the staging folder.
class AtomicPlacement {
public:
    // Staging folders are named <destination>/<stagingPrefix>XXXXXX.
    static constexpr char stagingPrefix[] = ".veltrane-staging-";

    // Copies `bundle` to <destinationFolder>/<bundle's name> and returns that path. Throws
    // std::exception with a readable what() when the copy or the placement fails, including
    // when the file system cannot rename atomically; the destination is then unchanged.
    static QString place(const QString &bundle, const QString &destinationFolder);
};
