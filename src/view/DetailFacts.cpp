#include "view/DetailFacts.h"

#include <QLocale>

QList<DetailFact> DetailFacts::of(const CatalogApp &app, const QString &categoryName, const QString &installedVersion)
{
    QList<DetailFact> facts = {
        {tr("Category"), categoryName},
        {tr("Version"), app.version},
    };
    if (app.bundleID && !installedVersion.isEmpty())
        facts.append({tr("Installed"), installedVersion});
    // Built by concatenation on purpose: the system's name is not translated.
    facts.append({tr("Requires"), QStringLiteral("macOS ") + app.minimumSystem + QStringLiteral(" or later")});
    facts.append({tr("Updated"), date(app.updatedAt)});
    return facts;
}

QString DetailFacts::date(const QDateTime &moment)
{
    //: Date format of the "Updated" fact (QDate format): abbreviated month, no weekday.
    return QLocale().toString(moment.toLocalTime().date(), tr("MMM d, yyyy"));
}

SourceCredit SourceCredit::of(const Source &source)
{
    SourceCredit credit;
    credit.sentence = tr("Based on %1 by %2, released under the %3 license.")
                          .arg(projectName(source.repository), source.author, source.license);
    credit.repository = source.repository.toString();
    if (source.fork)
        credit.fork = source.fork->toString();
    credit.showsSourceOfferWarning = !source.fork && source.requiresSourceOffer();
    return credit;
}

QString SourceCredit::projectName(const QUrl &repository)
{
    const QStringList parts = repository.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : parts.last();
}
