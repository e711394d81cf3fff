#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// An exact decimal number as written in JSON ("4.99", "0", "1e2"). It keeps the text it was
// read from, so encoding writes back exactly what was read, and compares by value, so 4.9
// equals 4.90. No binary floating point is involved anywhere.
class Decimal {
public:
    Decimal();  // zero

    // Accepts exactly the JSON number grammar; anything else gives nothing.
    static std::optional<Decimal> fromJsonText(QByteArrayView text);

    QByteArray jsonText() const { return m_text; }
    QString toString() const { return QString::fromLatin1(m_text); }
    bool isZero() const;

    friend bool operator==(const Decimal &a, const Decimal &b);
    friend size_t qHash(const Decimal &d, size_t seed);

private:
    explicit Decimal(QByteArray text);
    // Value as sign, significant digits without leading or trailing zeros, and a power of ten.
    struct Normal {
        bool negative = false;
        QByteArray digits;
        qint64 exponent = 0;
        friend bool operator==(const Normal &, const Normal &) = default;
    };
    Normal normal() const;

    QByteArray m_text;
};

size_t qHash(const Decimal &d, size_t seed = 0);
