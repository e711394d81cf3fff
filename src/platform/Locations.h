#pragma once

#include <QString>
#include <QStringList>

// Every place on disk the Hub reads or writes. Tests build their own, rooted in a temporary
// folder; the program uses fromEnvironment().
struct Locations {
    QString home;                 // the user's home folder
    QString dataHome;             // $XDG_DATA_HOME, default ~/.local/share
    QStringList dataDirs;         // $XDG_DATA_DIRS, default /usr/local/share:/usr/share
    QString systemApplications;   // "/Applications"
    QString tempDir;              // the system temporary folder

    static Locations fromEnvironment();

    QString hubDataFolder() const;       // <dataHome>/VeltraneHub
    QString catalogCacheFile() const;    // <dataHome>/VeltraneHub/catalog.json
    QString updatesFolder() const;       // <dataHome>/VeltraneHub/Updates
    QString homeApplications() const;    // <home>/Applications
    QString userDesktopEntries() const;  // <dataHome>/applications
    // Where desktop entries are looked up, most important first: the user's folder, then
    // <dir>/applications for each of dataDirs in order.
    QStringList desktopEntryFolders() const;
};
