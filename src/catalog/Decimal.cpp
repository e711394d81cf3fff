#include "catalog/Decimal.h"

#include <QHashFunctions>

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// JSON number grammar: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(QByteArrayView t)
{
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto digits = [&] {
        const qsizetype start = i;
        while (i < n && isDigit(t[i]))
            ++i;
        return i > start;
    };
    if (i < n && t[i] == '-')
        ++i;
    if (i < n && t[i] == '0')
        ++i;
    else if (!digits())
        return false;
    if (i < n && t[i] == '.') {
        ++i;
        if (!digits())
            return false;
    }
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == n;
}
} // namespace

Decimal::Decimal() : m_text("0") {}

Decimal::Decimal(QByteArray text) : m_text(std::move(text)) {}

std::optional<Decimal> Decimal::fromJsonText(QByteArrayView text)
{
    if (!isJsonNumber(text))
        return std::nullopt;
    return Decimal(text.toByteArray());
}

Decimal::Normal Decimal::normal() const
{
    Normal n;
    QByteArrayView t = m_text;
    qsizetype i = 0;
    if (t.startsWith('-')) {
        n.negative = true;
        ++i;
    }
    qint64 fractionDigits = 0;
    bool inFraction = false;
    for (; i < t.size() && t[i] != 'e' && t[i] != 'E'; ++i) {
        if (t[i] == '.') {
            inFraction = true;
            continue;
        }
        n.digits.append(t[i]);
        if (inFraction)
            ++fractionDigits;
    }
    qint64 exponent = 0;
    if (i < t.size()) {
        ++i;
        bool negativeExponent = false;
        if (t[i] == '+' || t[i] == '-')
            negativeExponent = t[i++] == '-';
        // Saturate: exponents this large never describe a price, but must not overflow.
        for (; i < t.size(); ++i)
            exponent = std::min<qint64>(exponent * 10 + (t[i] - '0'), qint64(1) << 40);
        if (negativeExponent)
            exponent = -exponent;
    }
    n.exponent = exponent - fractionDigits;
    qsizetype lead = 0;
    while (lead < n.digits.size() && n.digits[lead] == '0')
        ++lead;
    n.digits.remove(0, lead);
    while (!n.digits.isEmpty() && n.digits.endsWith('0')) {
        n.digits.chop(1);
        ++n.exponent;
    }
    if (n.digits.isEmpty())  // zero has one form: -0 equals 0
        return Normal{};
    return n;
}

bool Decimal::isZero() const { return normal().digits.isEmpty(); }

bool operator==(const Decimal &a, const Decimal &b) { return a.normal() == b.normal(); }

size_t qHash(const Decimal &d, size_t seed)
{
    const Decimal::Normal n = d.normal();
    return qHashMulti(seed, n.negative, n.digits, n.exponent);
}
