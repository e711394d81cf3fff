#pragma once

#include "service/CatalogService.h"

#include <QHashFunctions>
#include <QMetaType>
#include <QString>
#include <QUuid>

// The store's value types. They live outside the store's class (moc cannot read gadgets
// nested in a QObject); C++ code names them CatalogStore::Phase, ::Toast and ::Filter.

// CatalogStore::Phase: where loading stands.
struct CatalogStorePhase {
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind CONSTANT)
    Q_PROPERTY(CatalogService::Origin::Kind originKind READ originKind CONSTANT)
    Q_PROPERTY(QDateTime cachedAt READ cachedAt CONSTANT)
    Q_PROPERTY(QString message MEMBER message CONSTANT)
public:
    enum class Kind { Loading, Loaded, Failed };
    Q_ENUM(Kind)
    Kind kind = Kind::Loading;
    CatalogService::Origin origin;  // only for Loaded
    QString message;                // only for Failed

    static CatalogStorePhase loading() { return {}; }
    static CatalogStorePhase loaded(CatalogService::Origin origin) { return {Kind::Loaded, origin, {}}; }
    static CatalogStorePhase failed(QString message) { return {Kind::Failed, {}, std::move(message)}; }
    CatalogService::Origin::Kind originKind() const { return origin.kind; }
    QDateTime cachedAt() const { return origin.cachedAt; }
    friend bool operator==(const CatalogStorePhase &, const CatalogStorePhase &) = default;
};

// CatalogStore::Toast: the transient message that reports a refresh.
struct CatalogStoreToast {
    Q_GADGET
    Q_PROPERTY(QUuid id MEMBER id CONSTANT)
    Q_PROPERTY(QString text MEMBER text CONSTANT)
    Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
    Q_PROPERTY(bool isWarning MEMBER isWarning CONSTANT)
public:
    QUuid id;
    QString text;
    QString symbol;
    bool isWarning = false;
    friend bool operator==(const CatalogStoreToast &, const CatalogStoreToast &) = default;
};

// CatalogStore::Filter: the sidebar section. Views compare and bind it as a value.
struct CatalogStoreFilter {
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind CONSTANT)
    Q_PROPERTY(QString categoryID MEMBER categoryID CONSTANT)
public:
    enum class Kind { All, Updates, Featured, Category };
    Q_ENUM(Kind)
    Kind kind = Kind::All;
    QString categoryID;  // only for Category

    static CatalogStoreFilter all() { return {}; }
    static CatalogStoreFilter updates() { return {Kind::Updates, {}}; }
    static CatalogStoreFilter featured() { return {Kind::Featured, {}}; }
    static CatalogStoreFilter category(QString id) { return {Kind::Category, std::move(id)}; }
    Q_INVOKABLE bool equals(const CatalogStoreFilter &other) const { return *this == other; }
    // The same section: the same kind and, for a category, the same id.
    friend bool operator==(const CatalogStoreFilter &a, const CatalogStoreFilter &b)
    {
        return a.kind == b.kind && (a.kind != Kind::Category || a.categoryID == b.categoryID);
    }
};

// The kind's ordinal and, for a category, its id: equal filters hash alike.
inline size_t qHash(const CatalogStoreFilter &filter, size_t seed = 0)
{
    if (filter.kind == CatalogStoreFilter::Kind::Category)
        return qHashMulti(seed, int(filter.kind), filter.categoryID);
    return qHashMulti(seed, int(filter.kind));
}

Q_DECLARE_METATYPE(CatalogStorePhase)
Q_DECLARE_METATYPE(CatalogStoreToast)
Q_DECLARE_METATYPE(CatalogStoreFilter)
