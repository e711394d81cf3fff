#include "view/RelativeAge.h"

namespace {

constexpr qint64 minute = 60;
constexpr qint64 hour = 60 * minute;
constexpr qint64 day = 24 * hour;
constexpr qint64 week = 7 * day;

// Whole calendar months between two dates, the later day of month not yet reached counting
// as the month before.
int monthsBetween(const QDate &from, const QDate &to)
{
    int months = (to.year() - from.year()) * 12 + (to.month() - from.month());
    if (to.day() < from.day())
        --months;
    return months;
}

} // namespace

QString RelativeAge::describe(const QDateTime &moment, const QDateTime &now)
{
    const qint64 seconds = moment.secsTo(now);
    if (!moment.isValid() || seconds < minute)
        return tr("now");
    if (seconds < hour) {
        const qint64 n = seconds / minute;
        return n == 1 ? tr("1 minute ago") : tr("%1 minutes ago").arg(n);
    }
    if (seconds < day) {
        const qint64 n = seconds / hour;
        return n == 1 ? tr("1 hour ago") : tr("%1 hours ago").arg(n);
    }
    if (seconds < week) {
        const qint64 n = seconds / day;
        return n == 1 ? tr("yesterday") : tr("%1 days ago").arg(n);
    }
    const int months = monthsBetween(moment.toLocalTime().date(), now.toLocalTime().date());
    if (months < 1) {
        const qint64 n = seconds / week;
        return n == 1 ? tr("last week") : tr("%1 weeks ago").arg(n);
    }
    if (months < 12)
        return months == 1 ? tr("last month") : tr("%1 months ago").arg(months);
    const int years = months / 12;
    return years == 1 ? tr("last year") : tr("%1 years ago").arg(years);
}
