#include "state/NameOrder.h"

#include "state/Latin1.h"

#include <algorithm>

namespace NameOrder {
namespace {

// Moves surrogates (U+D800..U+DFFF, the halves of code points above U+FFFF) after
// U+E000..U+FFFF, turning code unit order into code point order.
int codePointRank(char16_t unit)
{
    if (unit < 0xD800)
        return unit;
    return unit >= 0xE000 ? unit - 0x800 : unit + 0x2000;
}

} // namespace

int compareCodePoints(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    const char16_t *const pa = a.utf16();
    const char16_t *const pb = b.utf16();
    const auto [ia, ib] = std::mismatch(pa, pa + common, pb);
    if (ia != pa + common)
        return codePointRank(*ia) - codePointRank(*ib);
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::vector<qsizetype> byName(const QList<CatalogApp> &apps)
{
    struct Keyed {
        QStringView key;  // the name, or its composed form kept in `composed`
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(apps.size()));
    std::vector<QString> composed;
    for (qsizetype i = 0; i < apps.size(); ++i) {
        const QString &name = apps.at(i).name;
        if (isLatin1(name)) {
            keyed.push_back({name, i});
        } else {
            // The view stays valid when the vector moves the string: it points at its text.
            composed.push_back(name.normalized(QString::NormalizationForm_C));
            keyed.push_back({composed.back(), i});
        }
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &x, const Keyed &y) {
        return compareCodePoints(x.key, y.key) < 0;
    });
    std::vector<qsizetype> order;
    order.reserve(keyed.size());
    for (const Keyed &k : keyed)
        order.push_back(k.index);
    return order;
}

} // namespace NameOrder
