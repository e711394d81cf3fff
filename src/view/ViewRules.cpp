#include "view/ViewRules.h"

#include "BuildConfig.h"
#include "view/AlertTexts.h"

#include <QDateTime>

namespace {

template<typename T>
QVariantList toVariantList(const QList<T> &items)
{
    QVariantList list;
    list.reserve(items.size());
    for (const T &item : items)
        list.append(QVariant::fromValue(item));
    return list;
}

} // namespace

DetailActions ViewRules::detailActions(const CatalogApp &app, const UpdateCoordinatorState &state,
                                       const QString &installedVersion, bool hasUpdate) const
{
    return DetailActions::of(app, state, installedVersion, hasUpdate);
}

CardStatus ViewRules::cardStatus(const QString &installedVersion, const QString &catalogVersion,
                                 bool hasUpdate) const
{
    return CardStatus::of(installedVersion, catalogVersion, hasUpdate);
}

CatalogStatus ViewRules::catalogStatus(const CatalogStorePhase &phase) const
{
    return CatalogStatus::of(phase, QDateTime::currentDateTimeUtc());
}

CatalogContent ViewRules::catalogContent(const CatalogStorePhase &phase, int catalogAppCount,
                                         int visibleCount, const QString &searchText) const
{
    return CatalogContent::choose(phase, catalogAppCount, visibleCount, searchText);
}

QVariantList ViewRules::facts(const CatalogApp &app, const QString &categoryName, const QString &installedVersion,
                              bool hasUpdate) const
{
    return toVariantList(DetailFacts::of(app, categoryName, installedVersion, hasUpdate));
}

SourceCredit ViewRules::sourceCredit(const Source &source) const { return SourceCredit::of(source); }

QString ViewRules::quitTitle(bool hasApp, const QString &appName) const
{
    return AlertTexts::quitTitle(hasApp ? &appName : nullptr);
}

QString ViewRules::quitMessage(bool hasApp, const QString &appName) const
{
    return AlertTexts::quitMessage(hasApp ? &appName : nullptr);
}

QString ViewRules::uninstallTitle(bool hasApp, const QString &appName) const
{
    return AlertTexts::uninstallTitle(hasApp ? &appName : nullptr);
}

QString ViewRules::uninstallMessage() const { return AlertTexts::uninstallMessage(); }

QString ViewRules::iconLetter(const QString &name) const
{
    if (name.isEmpty())
        return {};
    const qsizetype length = name.at(0).isHighSurrogate() && name.size() > 1 ? 2 : 1;
    return name.left(length).toUpper();
}

QString ViewRules::refreshHelp() const
{
    return tr("Fetch the newest catalogue from ") + QLatin1String(BuildConfig::catalogHost);
}
