#include "model/AppSearch.h"

#include <QTextBoundaryFinder>

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

} // namespace

QString queryFrom(const QString &searchText)
{
    // trimmed() removes every QChar::isSpace character: all Unicode separators (including
    // U+2028 and U+2029), tab, the line breaks, U+0085 and no-break spaces.
    return searchText.trimmed().normalized(QString::NormalizationForm_C);
}

bool containsIgnoringCase(const QString &text, const QString &query)
{
    // Already composed text (all ASCII text, for one) comes back shared, without a copy.
    const QString composed = text.normalized(QString::NormalizationForm_C);
    for (qsizetype from = composed.indexOf(query, 0, Qt::CaseInsensitive); from >= 0;
         from = composed.indexOf(query, from + 1, Qt::CaseInsensitive)) {
        if (isCharacterBoundary(composed, from) && isCharacterBoundary(composed, from + query.size()))
            return true;
    }
    return false;
}

bool matches(const CatalogApp &app, const QString &query)
{
    return containsIgnoringCase(app.name, query) || containsIgnoringCase(app.tagline, query)
        || containsIgnoringCase(app.description, query);
}

} // namespace AppSearch
