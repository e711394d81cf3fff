#include "view/DetailProgress.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

std::optional<QString> symbolAmong(const QList<QLocale> &locales, const QString &isoCode)
{
    for (const QLocale &other : locales) {
        // Some locales name no symbol for their own currency.
        const QString symbol = other.currencySymbol(QLocale::CurrencySymbol);
        if (other.currencySymbol(QLocale::CurrencyIsoCode) == isoCode && !symbol.isEmpty())
            return symbol;
    }
    return std::nullopt;
}

// The symbol readers of this language know the currency by ("$" for USD in English), else
// the ISO code itself. Qt names only a locale's own currency, so another locale of the same
// language that pays in it lends its symbol; the C locale borrows from any.
QString currencySymbol(const QString &isoCode, const QLocale &locale)
{
    if (locale.currencySymbol(QLocale::CurrencyIsoCode) == isoCode)
        return locale.currencySymbol(QLocale::CurrencySymbol);
    const QLocale::Language language = locale.language() == QLocale::C ? QLocale::AnyLanguage : locale.language();
    return symbolAmong(QLocale::matchingLocales(language, QLocale::AnyScript, QLocale::AnyTerritory), isoCode)
        .value_or(isoCode);
}

} // namespace

QString DetailProgress::line(const UpdateTransfer &transfer, const QLocale &locale)
{
    const QString received = dataSize(transfer.received, locale);
    const bool hasSpeed = transfer.bytesPerSecond > 0;
    const QString speed = hasSpeed ? dataSize(qint64(transfer.bytesPerSecond), locale) : QString();
    if (transfer.total < 0)
        return hasSpeed ? tr("%1 so far · %2/s").arg(received, speed) : tr("%1 so far").arg(received);
    const QString total = dataSize(transfer.total, locale);
    if (!hasSpeed)
        return tr("%1 of %2").arg(received, total);
    const double seconds = transfer.secondsLeft;
    if (seconds < 0)
        return tr("%1 of %2 · %3/s").arg(received, total, speed);
    if (seconds < 60)
        return tr("%1 of %2 · %3/s · less than a minute left").arg(received, total, speed);
    const int minutes = int(std::lround(seconds / 60));
    if (minutes < 90)
        return tr("%1 of %2 · %3/s · about %n min left", nullptr, minutes).arg(received, total, speed);
    const int hours = int(std::lround(seconds / 3600));
    return tr("%1 of %2 · %3/s · about %n h left", nullptr, hours).arg(received, total, speed);
}

double DetailProgress::fraction(const UpdateTransfer &transfer)
{
    if (transfer.total <= 0)
        return -1;
    return std::clamp(double(transfer.received) / double(transfer.total), 0.0, 1.0);
}

QString DetailProgress::dataSize(qint64 bytes, const QLocale &locale)
{
    double leading = double(bytes);
    while (leading >= 1000)
        leading /= 1000;
    return locale.formattedDataSize(bytes, leading >= 100 ? 0 : 1, QLocale::DataSizeSIFormat);
}

QString DetailProgress::price(const Price &price, const QLocale &locale)
{
    if (price.isFree())
        return {};
    // Display only: the catalogue keeps the exact decimal.
    const double amount = price.amountText().toDouble();
    const int decimals = amount == std::trunc(amount) ? 0 : 2;
    return locale.toCurrencyString(amount, currencySymbol(price.currency, locale), decimals);
}
