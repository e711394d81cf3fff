#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

// What is going on with one catalogue app, as the views draw it. The update coordinator's
// State (moc cannot read a gadget nested in a QObject class, so it lives here).
struct UpdateState {
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind CONSTANT)
    Q_PROPERTY(double fraction MEMBER fraction CONSTANT)
    Q_PROPERTY(QString location MEMBER location CONSTANT)
    Q_PROPERTY(QString message MEMBER message CONSTANT)
public:
    enum class Kind { Idle, Ready, Downloading, Installing, Installed, Failed };
    Q_ENUM(Kind)
    Kind kind = Kind::Idle;
    double fraction = 0;  // Downloading: 0 to 1
    QString location;     // Installed: the installed bundle
    QString message;      // Failed: the text the user reads

    static UpdateState idle() { return {}; }
    static UpdateState ready() { return {Kind::Ready, 0, {}, {}}; }
    static UpdateState downloading(double fraction) { return {Kind::Downloading, fraction, {}, {}}; }
    static UpdateState installing() { return {Kind::Installing, 0, {}, {}}; }
    static UpdateState installed(QString at) { return {Kind::Installed, 0, std::move(at), {}}; }
    static UpdateState failed(QString message) { return {Kind::Failed, 0, {}, std::move(message)}; }
    friend bool operator==(const UpdateState &, const UpdateState &) = default;
};

Q_DECLARE_METATYPE(UpdateState)
