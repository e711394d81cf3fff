#pragma once

// A large made-up catalogue for the benchmarks: deterministic words, eight categories, and the
// query "rax" planted in about a tenth of the apps (in the name, the tagline or the
// description), so a search finds a realistic share.

#include "catalog/Catalog.h"

#include <QStringList>

#include <iterator>

namespace BenchCatalog {

// Words without the letter x; their first two letters are common, as in a real search.
class Words {
public:
    QString word()
    {
        static const char *const syllables[] = {"ba", "lo", "ten", "mi", "ra", "do", "su", "ne", "pi",
                                                "gor", "la", "vu", "ke", "ti", "mon", "se", "fa", "ru"};
        QString w;
        const int count = 1 + int(next() % 3);
        for (int i = 0; i < count; ++i)
            w += QLatin1String(syllables[next() % std::size(syllables)]);
        return w;
    }
    QString sentence(int words)
    {
        QStringList list;
        for (int i = 0; i < words; ++i)
            list << word();
        list.first()[0] = list.first()[0].toUpper();
        return list.join(QLatin1Char(' ')) + QLatin1Char('.');
    }
    quint32 next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }

private:
    quint32 m_state = 12345;
};

inline Catalog make(int size)
{
    static const char *const symbols[] = {"photo", "paintbrush", "music.note", "doc.text",
                                          "hammer", "chart.bar", "gearshape", "globe"};
    Words words;
    Catalog catalog = Catalog::empty(QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC));
    for (int c = 0; c < 8; ++c)
        catalog.categories.append({QStringLiteral("cat%1").arg(c), words.sentence(2).chopped(1),
                                   QLatin1String(symbols[c])});
    for (int i = 0; i < size; ++i) {
        CatalogApp app;
        app.id = QStringLiteral("app%1").arg(i);
        app.name = words.sentence(2).chopped(1);
        if (i % 20 == 0)
            app.name.prepend(QString::fromUtf8("Écri "));  // some names need more than ASCII
        app.tagline = words.sentence(6);
        app.description = words.sentence(45);  // about 300 characters
        app.categoryID = QStringLiteral("cat%1").arg(i % 8);
        app.bundleID = QStringLiteral("com.example.app%1").arg(i);
        app.version = QStringLiteral("1.0");
        app.minimumSystem = QStringLiteral("13.0");
        app.price.currency = QStringLiteral("EUR");
        app.isFeatured = i % 97 == 0;
        app.updatedAt = QDateTime(QDate(2025, 2, 1), QTime(12, 0), Qt::UTC).addSecs(i);
        switch (i % 30) {
        case 0: app.name += QStringLiteral(" Raxo"); break;
        case 1: app.tagline.insert(10, QStringLiteral("rAx")); break;
        case 2: app.description.insert(200, QStringLiteral("raX")); break;
        default: break;
        }
        catalog.apps.append(app);
    }
    return catalog;
}

} // namespace BenchCatalog
