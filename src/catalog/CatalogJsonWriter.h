#pragma once

#include <initializer_list>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Appends compact JSON tokens to one growing buffer. The caller writes the structure; this
// class only gets the separators and string escaping right.
namespace CatalogJson {

class Writer {
public:
    explicit Writer(qsizetype expectedSize = 4096);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // Names are plain ASCII, written without escaping. Returns *this for the value that follows.
    Writer &key(QLatin1StringView name);

    void string(QStringView text);
    void string(std::initializer_list<QStringView> parts); // one string made of the parts
    void string(QByteArrayView utf8); // already UTF-8 and free of characters needing escapes
    void raw(QByteArrayView json);    // a complete JSON value, e.g. a number's text
    void boolean(bool value);
    void integer(qint64 value);

    QByteArray take();

private:
    void separate(); // the comma before any value or key that is not first in its container
    char *room(qsizetype bytes); // at least `bytes` writable at the end; advance with commit()
    void commit(char *end) { m_used = end - m_out.data(); }
    char *escaped(char *p, QStringView text); // writes text's JSON form, without quotes
    void put(char c)
    {
        *room(1) = c;
        ++m_used;
    }

    QByteArray m_out;
    qsizetype m_used = 0;
    bool m_first = true; // nothing written yet in the innermost container
};

} // namespace CatalogJson
