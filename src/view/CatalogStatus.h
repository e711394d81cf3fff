#pragma once

#include "state/CatalogStore.h"

#include <QCoreApplication>
#include <QtQmlIntegration>

// The status line at the foot of the sidebar: where the catalogue on screen came from, or
// that it is loading or unavailable.
struct CatalogStatus {
    Q_GADGET
    QML_VALUE_TYPE(catalogStatus)
    Q_DECLARE_TR_FUNCTIONS(CatalogStatus)
    Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
    Q_PROPERTY(Tone tone MEMBER tone CONSTANT)
    Q_PROPERTY(QString message MEMBER message CONSTANT)
    Q_PROPERTY(bool isPositive READ isPositive CONSTANT)
    Q_PROPERTY(bool isWarning READ isWarning CONSTANT)
public:
    enum class Tone { Secondary, Positive, Warning };
    Q_ENUM(Tone)
    QString symbol;
    Tone tone = Tone::Secondary;
    QString message;

    bool isPositive() const { return tone == Tone::Positive; }
    bool isWarning() const { return tone == Tone::Warning; }

    static CatalogStatus of(const CatalogStore::Phase &phase, const QDateTime &now);
};
