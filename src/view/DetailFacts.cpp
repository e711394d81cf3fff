#include "view/DetailFacts.h"

#include "view/CardStatus.h"
#include "view/DetailProgress.h"

#include <QRegularExpression>

QList<DetailFact> DetailFacts::of(const CatalogApp &app, const QString &categoryName, const QString &installedVersion,
                                  bool hasUpdate, const QLocale &locale)
{
    QList<DetailFact> facts = {
        {tr("Category"), categoryName},
        {tr("Version"), app.version},
    };
    if (app.bundleID && CardStatus::isInstalled(installedVersion, hasUpdate))
        facts.append({tr("Installed"), installedVersion.isEmpty() ? tr("Unknown") : installedVersion});
    //: %1 is the oldest macOS version the app runs on, e.g. 13.0.
    facts.append({tr("Requires"), tr("macOS %1 or later").arg(app.minimumSystem)});
    facts.append({tr("Updated"), date(app.updatedAt, locale)});
    if (app.downloadSize)
        facts.append({tr("Download size"), DetailProgress::dataSize(*app.downloadSize, locale)});
    return facts;
}

// Qt knows a short (numeric) and a long (weekday, full month) date per locale; the abbreviated
// style between them is the long one without its weekday and with the month abbreviated.
QString DetailFacts::date(const QDateTime &moment, const QLocale &locale)
{
    static const QRegularExpression weekday(QStringLiteral("d{3,4}[,.]?\\s*"));
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.remove(weekday);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    format = format.trimmed();
    if (!format.contains(QLatin1Char('d')) || !format.contains(QLatin1Char('M')) || !format.contains(QLatin1Char('y')))
        format = locale.dateFormat(QLocale::ShortFormat);
    return locale.toString(moment.toLocalTime().date(), format);
}

SourceCredit SourceCredit::of(const Source &source)
{
    SourceCredit credit;
    credit.sentence = tr("Based on %1 by %2, released under the %3 license.")
                          .arg(projectName(source.repository), source.author, source.license);
    credit.repository = source.repository.toString(QUrl::FullyEncoded);
    if (source.fork)
        credit.fork = source.fork->toString(QUrl::FullyEncoded);
    credit.showsSourceOfferWarning = !source.fork && source.requiresSourceOffer();
    return credit;
}

QString SourceCredit::projectName(const QUrl &repository)
{
    const QStringList parts = repository.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : parts.last();
}
