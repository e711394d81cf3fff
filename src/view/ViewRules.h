#pragma once

#include "state/CatalogStore.h"
#include "state/UpdateCoordinator.h"
#include "view/CardStatus.h"
#include "view/CatalogContent.h"
#include "view/CatalogStatus.h"
#include "view/DetailActions.h"
#include "view/DetailFacts.h"
#include "view/DetailProgress.h"

#include <QObject>
#include <QVariantList>
#include <QtQmlIntegration>

// The views' derived values, for QML. Pure functions of what the views read from the store,
// the coordinator and the rows of their models; the views pass those values in, so their
// bindings follow every change.
class ViewRules : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString refreshHelp READ refreshHelp CONSTANT)
public:
    using QObject::QObject;

    Q_INVOKABLE DetailActions detailActions(const CatalogApp &app, const UpdateCoordinatorState &state,
                                            const QString &installedVersion, bool hasUpdate) const;
    Q_INVOKABLE CardStatus cardStatus(const QString &installedVersion, const QString &catalogVersion,
                                      bool hasUpdate) const;
    Q_INVOKABLE CatalogStatus catalogStatus(const CatalogStorePhase &phase) const;
    Q_INVOKABLE CatalogContent catalogContent(const CatalogStorePhase &phase, int catalogAppCount,
                                              int visibleCount, const QString &searchText) const;
    // QVariantList of DetailFact.
    Q_INVOKABLE QVariantList facts(const CatalogApp &app, const QString &categoryName,
                                   const QString &installedVersion, bool hasUpdate) const;
    // The download line under the primary button, and its bar (-1: indeterminate).
    Q_INVOKABLE QString transferLine(const UpdateTransfer &transfer) const { return DetailProgress::line(transfer); }
    Q_INVOKABLE double transferFraction(const UpdateTransfer &transfer) const { return DetailProgress::fraction(transfer); }
    // Empty for a free app.
    Q_INVOKABLE QString price(const Price &price) const { return DetailProgress::price(price); }
    // Whether an image may be loaded from url, and whether a link may be opened
    // (CatalogLinks); any other URL is shown as text only, or not loaded at all.
    Q_INVOKABLE bool isFetchable(const QUrl &url) const { return CatalogLinks::isFetchable(url); }
    Q_INVOKABLE bool mayOpen(const QUrl &url) const { return CatalogLinks::mayOpen(url); }
    // A link's whole text as shown: encoded, so what the user reads is what opens.
    Q_INVOKABLE QString linkText(const QUrl &url) const { return url.toString(QUrl::FullyEncoded); }
    Q_INVOKABLE SourceCredit sourceCredit(const Source &source) const;
    Q_INVOKABLE QString quitTitle(bool hasApp, const QString &appName) const;
    Q_INVOKABLE QString quitMessage(bool hasApp, const QString &appName) const;
    Q_INVOKABLE QString uninstallTitle(bool hasApp, const QString &appName) const;
    Q_INVOKABLE QString uninstallMessage() const;
    // The placeholder letter of an app icon: the name's first character, upper-cased.
    Q_INVOKABLE QString iconLetter(const QString &name) const;
    // A menu title as translated ("&File": "&" before the mnemonic, "&&" for "&"): as read,
    // as drawn (rich text, the mnemonic underlined) and the keys that open it ("Alt+F").
    Q_INVOKABLE QString withoutMnemonic(const QString &title) const;
    Q_INVOKABLE QString underlinedMnemonic(const QString &title) const;
    Q_INVOKABLE QString mnemonicKeys(const QString &title) const;

    QString refreshHelp() const;
};
