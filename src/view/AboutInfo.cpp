#include "view/AboutInfo.h"

#include "BuildConfig.h"

QString AboutInfo::applicationName() const
{
    return QStringLiteral("Veltrane Hub");  // the product's name, never translated
}

QString AboutInfo::version() const { return tr("Version %1").arg(QLatin1String(BuildConfig::version)); }

QString AboutInfo::credits() const { return tr("Native Mac apps, signed and ready to run."); }

QUrl AboutInfo::website()
{
    static const QUrl url(QString::fromLatin1(BuildConfig::website), QUrl::StrictMode);
    Q_ASSERT(url.isValid());
    return url;
}

QString AboutInfo::websiteHost() const { return website().host(); }
