#pragma once

#include <QCoreApplication>
#include <QString>
#include <QtQmlIntegration>

// The small label beside an app's name on its card: "1.2 → 1.3" when an update is waiting,
// "Installed" when a copy is installed, nothing otherwise.
struct CardStatus {
    Q_GADGET
    QML_VALUE_TYPE(cardStatus)
    Q_DECLARE_TR_FUNCTIONS(CardStatus)
    Q_PROPERTY(Kind kind MEMBER kind CONSTANT)
    Q_PROPERTY(QString text MEMBER text CONSTANT)
    Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
    Q_PROPERTY(bool isShown READ isShown CONSTANT)
    Q_PROPERTY(bool isUpdate READ isUpdate CONSTANT)
public:
    enum class Kind { None, Update, Installed };
    Q_ENUM(Kind)
    Kind kind = Kind::None;
    QString text;
    QString symbol;

    bool isShown() const { return kind != Kind::None; }
    bool isUpdate() const { return kind == Kind::Update; }

    // installedVersion: the store's answer, empty when no copy is installed.
    static CardStatus of(const QString &installedVersion, const QString &catalogVersion, bool hasUpdate);
    // Whether the store found an installed copy: the one rule of the card, the detail pane and,
    // through hasUpdate, the Updates count. A copy whose bundle names no version reads as an
    // empty version, which the store's update rule takes for older than any catalogue version.
    static bool isInstalled(const QString &installedVersion, bool hasUpdate)
    {
        return !installedVersion.isEmpty() || hasUpdate;
    }
};
