#include "state/AppSearch.h"

#include "state/Latin1.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstring>

namespace AppSearch {
namespace {

// Whether pos falls between two user-perceived characters of s. Text below U+0300 (no
// combining marks, no scripts with clusters) breaks everywhere except inside CR LF, which
// spares the full analysis for almost every hit.
bool isCharacterBoundary(const QString &s, qsizetype pos)
{
    if (pos <= 0 || pos >= s.size())
        return true;
    const char16_t before = s.at(pos - 1).unicode();
    const char16_t after = s.at(pos).unicode();
    if (before < 0x300 && after < 0x300)
        return !(before == u'\r' && after == u'\n');
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    finder.setPosition(pos);
    return finder.isAtBoundary();
}

bool isAscii(QStringView s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// Eight UTF-16 code units, compared lane by lane with the compiler's vector extension.
using Lanes = quint16 __attribute__((vector_size(16)));
constexpr qsizetype laneCount = 8;

Lanes load(const char16_t *p)
{
    Lanes lanes;
    std::memcpy(&lanes, p, sizeof lanes);
    return lanes;
}

bool anyLane(Lanes lanes)
{
    quint64 halves[2];
    std::memcpy(halves, &lanes, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; }

bool matchesAsciiAt(const char16_t *p, QStringView query)
{
    for (qsizetype i = 0; i < query.size(); ++i) {
        if (asciiLower(p[i]) != asciiLower(query[i].unicode()))
            return false;
    }
    return true;
}

// An ASCII query in Latin-1 text: Latin-1 is always composed, every position in it is a
// character boundary (a trimmed query neither starts with LF nor ends with CR), and only ASCII
// letters fold onto ASCII letters. So a plain scan does. Setting bit 5 (upper to lower case for
// letters) of the first two characters on both sides rules out most starts eight at a time;
// the few left are compared exactly.
bool containsAsciiInLatin1(QStringView text, QStringView query)
{
    const qsizetype length = query.size();
    if (text.size() < length)
        return false;
    const char16_t *const start = text.utf16();
    const char16_t *const last = start + (text.size() - length);  // the last possible start
    const char16_t first = query[0].unicode() | 0x20;
    const char16_t second = length > 1 ? query[1].unicode() | 0x20 : 0;
    const char16_t *p = start;
    // Whole blocks whose starts and second characters all lie inside the text.
    for (; last - p >= laneCount; p += laneCount) {
        Lanes candidates = (load(p) | 0x20) == first;
        if (length > 1)
            candidates &= (load(p + 1) | 0x20) == second;
        if (!anyLane(candidates))
            continue;
        for (qsizetype lane = 0; lane < laneCount; ++lane) {
            if (candidates[lane] && matchesAsciiAt(p + lane, query))
                return true;
        }
    }
    for (; p <= last; ++p) {
        if (matchesAsciiAt(p, query))
            return true;
    }
    return false;
}

} // namespace

Query::Query(const QString &searchText)
    // trimmed() removes every QChar::isSpace character: all Unicode separators (including
    // U+2028 and U+2029), tab, the line breaks, U+0085 and no-break spaces.
    : m_text(searchText.trimmed().normalized(QString::NormalizationForm_C)), m_ascii(isAscii(m_text))
{
}

TextKinds TextKinds::of(const CatalogApp &app)
{
    return {isLatin1(app.name), isLatin1(app.tagline), isLatin1(app.description)};
}

bool Query::foundIn(const QString &text) const { return foundIn(text, isLatin1(text)); }

bool Query::foundIn(const QString &text, bool textIsLatin1) const
{
    if (m_ascii && textIsLatin1)
        return containsAsciiInLatin1(text, m_text);
    // Already composed text comes back shared, without a copy.
    const QString composed = text.normalized(QString::NormalizationForm_C);
    for (qsizetype from = composed.indexOf(m_text, 0, Qt::CaseInsensitive); from >= 0;
         from = composed.indexOf(m_text, from + 1, Qt::CaseInsensitive)) {
        if (isCharacterBoundary(composed, from) && isCharacterBoundary(composed, from + m_text.size()))
            return true;
    }
    return false;
}

bool Query::matches(const CatalogApp &app, TextKinds kinds) const
{
    return foundIn(app.name, kinds.nameIsLatin1) || foundIn(app.tagline, kinds.taglineIsLatin1)
        || foundIn(app.description, kinds.descriptionIsLatin1);
}

} // namespace AppSearch
