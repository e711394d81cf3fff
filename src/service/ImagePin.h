#pragma once

#include "catalog/Catalog.h"

#include <QByteArray>

#include <optional>

// What the catalogue pins of an app's disk image: its exact length and SHA-256. A download
// must match both before it enters the cache, and a cached image before it is used.
struct ImagePin {
    std::optional<qint64> size;
    QByteArray sha256;  // 32 bytes; empty when the catalogue gives none

    bool pinsAnything() const { return size || !sha256.isEmpty(); }

    // The app's "downloadSize" and "downloadSHA256" keys; nothing while CatalogApp lacks them.
    static ImagePin of(const CatalogApp &app);
};
