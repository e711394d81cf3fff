#pragma once

#include <QObject>
#include <QUrl>
#include <QtQmlIntegration>

// What the About panel shows besides the name: the version and the credits.
class AboutInfo : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString applicationName READ applicationName CONSTANT)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(QString credits READ credits CONSTANT)
    Q_PROPERTY(QUrl website READ website CONSTANT)
    Q_PROPERTY(QString websiteHost READ websiteHost CONSTANT)
    // The credits as the panel draws them (styled text): the sentence, its line break, then the
    // domain as a link to the website.
    Q_PROPERTY(QString creditsMarkup READ creditsMarkup CONSTANT)
public:
    using QObject::QObject;

    QString applicationName() const;
    QString version() const;
    QString credits() const;
    static QUrl website();
    QString websiteHost() const;
    QString creditsMarkup() const;
};
