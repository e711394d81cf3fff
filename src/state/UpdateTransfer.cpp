#include "state/UpdateTransfer.h"

#include <cmath>

namespace {
// "12.3 MB", "300 MB": one decimal while the number has fewer than three digits.
QString dataSize(const QLocale &locale, qint64 bytes)
{
    double leading = double(bytes);
    while (leading >= 1000)
        leading /= 1000;
    return locale.formattedDataSize(bytes, leading >= 100 ? 0 : 1, QLocale::DataSizeSIFormat);
}

QString timeLeft(double seconds)
{
    if (seconds < 60)
        return UpdateTransfer::tr("less than a minute left");
    const int minutes = int(std::lround(seconds / 60));
    if (minutes < 90)
        return UpdateTransfer::tr("about %n min left", nullptr, minutes);
    return UpdateTransfer::tr("about %n h left", nullptr, int(std::lround(seconds / 3600)));
}
} // namespace

QString UpdateTransfer::text(const QLocale &locale) const
{
    QStringList parts;
    parts << (total >= 0 ? tr("%1 of %2").arg(dataSize(locale, received), dataSize(locale, total))
                         : dataSize(locale, received));
    if (bytesPerSecond > 0)
        parts << tr("%1/s").arg(dataSize(locale, qint64(bytesPerSecond)));
    if (secondsLeft >= 0)
        parts << timeLeft(secondsLeft);
    return parts.join(QStringLiteral(" · "));
}

UpdateTransfer TransferMeter::add(qint64 nowMs, qint64 received, qint64 total)
{
    // A download that starts again from nothing starts its speed again too.
    if (!m_samples.isEmpty() && received < m_samples.constLast().second)
        m_samples.clear();
    m_samples.append({nowMs, received});
    // The speed is measured from the last report at least windowMs old.
    while (m_samples.size() > 2 && m_samples.at(1).first <= nowMs - windowMs)
        m_samples.removeFirst();
    UpdateTransfer transfer{received, total, 0, -1};
    const qint64 ms = nowMs - m_samples.constFirst().first;
    const qint64 bytes = received - m_samples.constFirst().second;
    if (ms > 0 && bytes > 0) {
        transfer.bytesPerSecond = double(bytes) * 1000 / double(ms);
        if (total >= received)
            transfer.secondsLeft = double(total - received) / transfer.bytesPerSecond;
    }
    return transfer;
}
