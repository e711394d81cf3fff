#pragma once

#include "platform/Locations.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The copy of each app that its last update replaced, kept so that the user can go back to it:
// <data>/VeltraneHub/Previous/<bundle identifier>/<name>.app, one per app. Each change is one
// rename of the app's folder there (prepared in a staging folder beside it), so a copy is
// either kept whole or not at all.
class KeptCopies {
public:
    explicit KeptCopies(const Locations &locations);

    const QString &folder() const { return m_folder; }
    // The kept bundle of the app, or nothing. Identifiers that cannot name a folder have none.
    std::optional<QString> bundle(const QString &bundleID) const;
    // The kept bundle's version, when its Info.plist names this identifier and a version.
    std::optional<QString> version(const QString &bundleID) const;

    // Keeps `bundle` as the app's previous copy in place of the one kept before: moved when it
    // is on the same file system, copied otherwise. False, with the earlier copy still kept,
    // when that fails.
    bool keep(const QString &bundleID, const QString &bundle, const QByteArray &runMarker) const;
    // Removes the app's kept copy, if any.
    void remove(const QString &bundleID, const QByteArray &runMarker) const;

private:
    std::optional<QString> slot(const QString &bundleID) const;

    QString m_folder;
};
