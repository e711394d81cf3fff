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

namespace {
// A title as read, and where its mnemonic is in that text (-1 when it has none): "&" marks
// the mnemonic, "&&" stands for "&".
struct MnemonicSplit {
    QString text;
    qsizetype mnemonic = -1;
};

MnemonicSplit splitMnemonic(const QString &title)
{
    MnemonicSplit split;
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (title[i] == u'&' && i + 1 < title.size()) {
            ++i;
            if (title[i] != u'&' && split.mnemonic < 0)
                split.mnemonic = split.text.size();
        }
        split.text += title[i];
    }
    return split;
}
} // namespace

QString ViewRules::withoutMnemonic(const QString &title) const { return splitMnemonic(title).text; }

QString ViewRules::underlinedMnemonic(const QString &title) const
{
    const MnemonicSplit split = splitMnemonic(title);
    if (split.mnemonic < 0)
        return split.text.toHtmlEscaped();
    return split.text.left(split.mnemonic).toHtmlEscaped() + QStringLiteral("<u>")
           + split.text.mid(split.mnemonic, 1).toHtmlEscaped() + QStringLiteral("</u>")
           + split.text.mid(split.mnemonic + 1).toHtmlEscaped();
}

QString ViewRules::mnemonicKeys(const QString &title) const
{
    const MnemonicSplit split = splitMnemonic(title);
    if (split.mnemonic < 0 || !split.text[split.mnemonic].isLetterOrNumber())
        return {};
    return QStringLiteral("Alt+") + split.text[split.mnemonic].toUpper();
}
