#include "view/AboutInfo.h"

#include "BuildConfig.h"

QString AboutInfo::applicationName() const
{
    return QStringLiteral("Veltrane Hub");  // the product's name, never translated
}

QString AboutInfo::version() const { return tr("Version %1").arg(QLatin1String(BuildConfig::version)); }

// The line break belongs to the text: the domain follows as the credits' second line.
QString AboutInfo::credits() const { return tr("Native Mac apps, signed and ready to run.\n"); }

QUrl AboutInfo::website()
{
    static const QUrl url(QString::fromLatin1(BuildConfig::website), QUrl::StrictMode);
    Q_ASSERT(url.isValid());
    return url;
}

QString AboutInfo::websiteHost() const { return website().host(); }

QString AboutInfo::creditsMarkup() const
{
    QString sentence = credits().toHtmlEscaped();
    sentence.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return sentence + QStringLiteral("<a href=\"%1\">%2</a>")
                          .arg(website().toString(QUrl::FullyEncoded).toHtmlEscaped(), websiteHost().toHtmlEscaped());
}
