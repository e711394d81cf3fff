#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

// How long ago a moment was, in words: "now", "5 minutes ago", "yesterday", "last week".
// Named where a name exists, otherwise the count with the unit written out.
class RelativeAge {
    Q_DECLARE_TR_FUNCTIONS(RelativeAge)
public:
    static QString describe(const QDateTime &moment, const QDateTime &now);
};
