#pragma once

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

// Internet date-times as the catalogue writes them: "2025-03-01T09:30:00Z" or with an offset
// "2025-03-01T10:30:00+01:00"; no fractional seconds, no other ISO 8601 forms.
namespace CatalogJson::Timestamp {

// The instant in UTC, or nothing when text is not exactly such a date-time with every field
// in range (month 1-12, a day the month has, hour 0-23, minute and second 0-59).
std::optional<QDateTime> parse(QByteArrayView text);

// "YYYY-MM-DDTHH:MM:SSZ" in UTC, dropping any fraction of a second; empty for an invalid
// date-time or one outside the years 0000-9999.
QByteArray format(const QDateTime &dateTime);

} // namespace CatalogJson::Timestamp
