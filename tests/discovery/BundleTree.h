#pragma once

#include "platform/Locations.h"

#include <QString>
#include <QTemporaryDir>

#include <optional>

// A temporary folder tree standing in for the machine: home, data folders, "/Applications",
// with helpers to put app bundles in it.
class BundleTree {
public:
    enum class Format { Xml, Binary };

    BundleTree();

    const Locations &locations() const { return m_locations; }
    // <root>/<relative>
    QString path(const QString &relative) const;

    // Writes <root>/<relative>/Contents/Info.plist and returns the bundle's path. A missing
    // version leaves CFBundleShortVersionString out.
    QString addBundle(const QString &relative, const QString &bundleID, const std::optional<QString> &version,
                      Format format = Format::Xml, const QString &executable = QStringLiteral("run"));
    void writeFile(const QString &relative, const QByteArray &content) const;

private:
    QTemporaryDir m_dir;
    Locations m_locations;
};
