#pragma once

#include "catalog/Decimal.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUrl>

#include <optional>

// The catalogue records: plain values with equality over every field. The JSON format they
// are read from and written to lives in CatalogJson.h.
//
// The Q_PROPERTY declarations only make the fields readable by name from QML; optional fields
// read there as an empty value (or 0), with a has... property beside them.

// Which catalogue links the Hub may use. A catalogue may name any URL reference; only these
// are ever fetched or opened, both with a host: icons, screenshots and disk images over https,
// and links the user clicks when http or https (never file:, javascript: or a relative one).
namespace CatalogLinks {
bool isFetchable(const QUrl &url);
bool mayOpen(const QUrl &url);
} // namespace CatalogLinks

struct Price {
    Q_GADGET
    Q_PROPERTY(QString amount READ amountText CONSTANT)
    Q_PROPERTY(QString currency MEMBER currency CONSTANT)
    Q_PROPERTY(bool isFree READ isFree CONSTANT)
public:
    Decimal amount;
    QString currency;

    QString amountText() const { return amount.toString(); }
    bool isFree() const { return amount.isZero(); }
    friend bool operator==(const Price &, const Price &) = default;
};

struct Source {
    Q_GADGET
    Q_PROPERTY(QUrl repository MEMBER repository CONSTANT)
    Q_PROPERTY(QString author MEMBER author CONSTANT)
    Q_PROPERTY(QString license MEMBER license CONSTANT)
    Q_PROPERTY(QUrl fork READ forkOrEmpty CONSTANT)
    Q_PROPERTY(bool hasFork READ hasFork CONSTANT)
    Q_PROPERTY(bool requiresSourceOffer READ requiresSourceOffer CONSTANT)
public:
    QUrl repository;
    QString author;
    QString license;
    std::optional<QUrl> fork;

    // True when the licence obliges the maker to publish the source of its build.
    bool requiresSourceOffer() const;

    QUrl forkOrEmpty() const { return fork.value_or(QUrl()); }
    bool hasFork() const { return fork.has_value(); }
    friend bool operator==(const Source &, const Source &) = default;
};

struct Category {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
public:
    QString id;
    QString name;
    QString symbol;

    friend bool operator==(const Category &, const Category &) = default;
};

struct CatalogApp {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString tagline MEMBER tagline CONSTANT)
    Q_PROPERTY(QString description MEMBER description CONSTANT)
    Q_PROPERTY(QString categoryID MEMBER categoryID CONSTANT)
    Q_PROPERTY(QString bundleID READ bundleIDOrEmpty CONSTANT)
    Q_PROPERTY(bool hasBundleID READ hasBundleID CONSTANT)
    Q_PROPERTY(QString version MEMBER version CONSTANT)
    Q_PROPERTY(QString minimumSystem MEMBER minimumSystem CONSTANT)
    Q_PROPERTY(Price price MEMBER price CONSTANT)
    Q_PROPERTY(QUrl iconURL READ iconURLOrEmpty CONSTANT)
    Q_PROPERTY(QUrl fetchableIconURL READ fetchableIconURLOrEmpty CONSTANT)
    Q_PROPERTY(QList<QUrl> screenshotURLs MEMBER screenshotURLs CONSTANT)
    Q_PROPERTY(QList<QUrl> fetchableScreenshotURLs READ fetchableScreenshotURLs CONSTANT)
    Q_PROPERTY(QUrl downloadURL READ downloadURLOrEmpty CONSTANT)
    Q_PROPERTY(bool hasDownloadURL READ hasDownloadURL CONSTANT)
    Q_PROPERTY(qint64 downloadSize READ downloadSizeOrZero CONSTANT)
    Q_PROPERTY(bool hasDownloadSize READ hasDownloadSize CONSTANT)
    Q_PROPERTY(QString downloadSHA256 READ downloadSHA256OrEmpty CONSTANT)
    Q_PROPERTY(bool hasDownloadSHA256 READ hasDownloadSHA256 CONSTANT)
    Q_PROPERTY(QUrl homepageURL READ homepageURLOrEmpty CONSTANT)
    Q_PROPERTY(Source source READ sourceOrEmpty CONSTANT)
    Q_PROPERTY(bool hasSource READ hasSource CONSTANT)
    Q_PROPERTY(bool isFeatured MEMBER isFeatured CONSTANT)
    Q_PROPERTY(QDateTime updatedAt MEMBER updatedAt CONSTANT)
public:
    QString id;
    QString name;
    QString tagline;
    QString description;
    QString categoryID;
    std::optional<QString> bundleID;
    QString version;
    QString minimumSystem;
    Price price;
    std::optional<QUrl> iconURL;
    QList<QUrl> screenshotURLs;
    std::optional<QUrl> downloadURL;
    std::optional<qint64> downloadSize;     // bytes of the disk image, more than 0
    std::optional<QString> downloadSHA256;  // of the disk image, 64 lower-case hex digits
    std::optional<QUrl> homepageURL;
    std::optional<Source> source;
    bool isFeatured = false;
    QDateTime updatedAt;

    QString bundleIDOrEmpty() const { return bundleID.value_or(QString()); }
    bool hasBundleID() const { return bundleID.has_value(); }
    QUrl iconURLOrEmpty() const { return iconURL.value_or(QUrl()); }
    QUrl downloadURLOrEmpty() const { return downloadURL.value_or(QUrl()); }
    bool hasDownloadURL() const { return downloadURL.has_value(); }
    qint64 downloadSizeOrZero() const { return downloadSize.value_or(0); }
    bool hasDownloadSize() const { return downloadSize.has_value(); }
    QString downloadSHA256OrEmpty() const { return downloadSHA256.value_or(QString()); }
    bool hasDownloadSHA256() const { return downloadSHA256.has_value(); }
    QUrl homepageURLOrEmpty() const { return homepageURL.value_or(QUrl()); }
    Source sourceOrEmpty() const { return source.value_or(Source()); }
    bool hasSource() const { return source.has_value(); }

    // The links the Hub may fetch (CatalogLinks::isFetchable); any other counts as absent.
    std::optional<QUrl> fetchableIconURL() const;
    std::optional<QUrl> fetchableDownloadURL() const;
    QList<QUrl> fetchableScreenshotURLs() const;
    QUrl fetchableIconURLOrEmpty() const { return fetchableIconURL().value_or(QUrl()); }

    friend bool operator==(const CatalogApp &, const CatalogApp &) = default;
};

struct Catalog {
    Q_GADGET
    Q_PROPERTY(qint64 version MEMBER version CONSTANT)
    Q_PROPERTY(QDateTime updatedAt MEMBER updatedAt CONSTANT)
    Q_PROPERTY(QList<Category> categories MEMBER categories CONSTANT)
    Q_PROPERTY(QList<CatalogApp> apps MEMBER apps CONSTANT)
public:
    qint64 version = 1;
    QDateTime updatedAt;
    QList<Category> categories;
    QList<CatalogApp> apps;

    // The catalogue used when nothing else can be had: version 1, no categories, no apps.
    static Catalog empty(const QDateTime &now = QDateTime::currentDateTimeUtc());

    // The first category whose id is the app's categoryID, if any.
    std::optional<Category> category(const CatalogApp &app) const;
    Q_INVOKABLE qsizetype appCount(const Category &category) const;

    friend bool operator==(const Catalog &, const Catalog &) = default;
};

Q_DECLARE_METATYPE(Price)
Q_DECLARE_METATYPE(Source)
Q_DECLARE_METATYPE(Category)
Q_DECLARE_METATYPE(CatalogApp)
Q_DECLARE_METATYPE(Catalog)
