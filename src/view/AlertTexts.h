#pragma once

#include <QCoreApplication>
#include <QString>

// Titles and messages of the window's two questions. An app that is gone by the time the
// text is built is named generically.
class AlertTexts {
    Q_DECLARE_TR_FUNCTIONS(AlertTexts)
public:
    static QString quitTitle(const QString *appName);
    static QString quitMessage(const QString *appName);
    static QString uninstallTitle(const QString *appName);
    static QString uninstallMessage();
};
