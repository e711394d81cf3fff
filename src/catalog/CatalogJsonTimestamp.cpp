#include "catalog/CatalogJsonTimestamp.h"

namespace CatalogJson::Timestamp {
namespace {

constexpr qint64 secondsPerDay = 86400;

bool isLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    qint64 year;
    int month;
    int day;
};

Civil civilFromDays(qint64 z)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2), m, d};
}

// Reads exactly `count` decimal digits at text[at...]; -1 if any is not a digit.
int digits(QByteArrayView text, qsizetype at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

void putDigits(char *out, int value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
}

} // namespace

std::optional<QDateTime> parse(QByteArrayView t)
{
    // YYYY-MM-DDTHH:MM:SS followed by Z or ±HH:MM
    if (t.size() != 20 && t.size() != 25)
        return std::nullopt;
    if (t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':')
        return std::nullopt;
    const int year = digits(t, 0, 4), month = digits(t, 5, 2), day = digits(t, 8, 2);
    const int hour = digits(t, 11, 2), minute = digits(t, 14, 2), second = digits(t, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;

    qint64 offset = 0;
    if (t.size() == 20) {
        if (t[19] != 'Z')
            return std::nullopt;
    } else {
        const char sign = t[19];
        const int offsetHours = digits(t, 20, 2), offsetMinutes = digits(t, 23, 2);
        if ((sign != '+' && sign != '-') || t[22] != ':')
            return std::nullopt;
        if (offsetHours < 0 || offsetHours > 23 || offsetMinutes < 0 || offsetMinutes > 59)
            return std::nullopt;
        offset = (offsetHours * 60 + offsetMinutes) * 60;
        if (sign == '-')
            offset = -offset;
    }
    const qint64 local =
        daysFromCivil(year, month, day) * secondsPerDay + hour * 3600 + minute * 60 + second;
    return QDateTime::fromSecsSinceEpoch(local - offset, Qt::UTC);
}

QByteArray format(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return {};
    const qint64 ms = dateTime.toMSecsSinceEpoch();
    // Floor, not truncation, so that 1969-12-31T23:59:59.5Z stays in its second.
    const qint64 seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    const qint64 days =
        seconds >= 0 ? seconds / secondsPerDay : -((-seconds + secondsPerDay - 1) / secondsPerDay);
    const qint64 inDay = seconds - days * secondsPerDay;
    const Civil date = civilFromDays(days);
    if (date.year < 0 || date.year > 9999)
        return {};

    QByteArray out(20, Qt::Uninitialized);
    char *p = out.data();
    putDigits(p, int(date.year), 4);
    p[4] = '-';
    putDigits(p + 5, date.month, 2);
    p[7] = '-';
    putDigits(p + 8, date.day, 2);
    p[10] = 'T';
    putDigits(p + 11, int(inDay / 3600), 2);
    p[13] = ':';
    putDigits(p + 14, int(inDay / 60 % 60), 2);
    p[16] = ':';
    putDigits(p + 17, int(inDay % 60), 2);
    p[19] = 'Z';
    return out;
}

} // namespace CatalogJson::Timestamp
