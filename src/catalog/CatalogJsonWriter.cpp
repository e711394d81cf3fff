#include "catalog/CatalogJsonWriter.h"

#include <algorithm>
#include <utility>

namespace CatalogJson {

Writer::Writer(qsizetype expectedSize)
    : m_out(std::max<qsizetype>(expectedSize, 64), Qt::Uninitialized)
{
}

char *Writer::room(qsizetype bytes)
{
    if (m_used + bytes > m_out.size())
        m_out.resize(std::max(m_out.size() * 2, m_used + bytes));
    return m_out.data() + m_used;
}

void Writer::separate()
{
    if (!m_first)
        put(',');
    m_first = false;
}

void Writer::beginObject()
{
    separate();
    put('{');
    m_first = true;
}

void Writer::endObject()
{
    put('}');
    m_first = false;
}

void Writer::beginArray()
{
    separate();
    put('[');
    m_first = true;
}

void Writer::endArray()
{
    put(']');
    m_first = false;
}

Writer &Writer::key(QLatin1StringView name)
{
    separate();
    char *p = room(name.size() + 3);
    *p++ = '"';
    p = std::copy(name.begin(), name.end(), p);
    *p++ = '"';
    *p++ = ':';
    commit(p);
    m_first = true; // the value that follows takes no comma
    return *this;
}

void Writer::string(QStringView text)
{
    string({text});
}

void Writer::string(std::initializer_list<QStringView> parts)
{
    separate();
    // Worst cases per UTF-16 unit: a control character as \u00XX (6 bytes) or three UTF-8
    // bytes; a surrogate pair is two units for four bytes.
    qsizetype units = 0;
    for (QStringView part : parts)
        units += part.size();
    char *p = room(units * 6 + 2);
    *p++ = '"';
    for (QStringView part : parts)
        p = escaped(p, part);
    *p++ = '"';
    commit(p);
}

char *Writer::escaped(char *p, QStringView text)
{
    static constexpr char hex[] = "0123456789abcdef";
    const char16_t *const begin = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = begin[i];
        if (u >= 0x20 && u < 0x80 && u != '"' && u != '\\') {
            *p++ = char(u);
        } else if (u < 0x80) {
            *p++ = '\\';
            switch (u) {
            case '"':
                *p++ = '"';
                break;
            case '\\':
                *p++ = '\\';
                break;
            case '\b':
                *p++ = 'b';
                break;
            case '\f':
                *p++ = 'f';
                break;
            case '\n':
                *p++ = 'n';
                break;
            case '\r':
                *p++ = 'r';
                break;
            case '\t':
                *p++ = 't';
                break;
            default:
                *p++ = 'u', *p++ = '0', *p++ = '0';
                *p++ = hex[u >> 4], *p++ = hex[u & 0xf];
            }
        } else if (u < 0x800) {
            *p++ = char(0xc0 | (u >> 6));
            *p++ = char(0x80 | (u & 0x3f));
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(begin[i + 1])) {
            const char32_t c = QChar::surrogateToUcs4(u, begin[++i]);
            *p++ = char(0xf0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3f));
            *p++ = char(0x80 | ((c >> 6) & 0x3f));
            *p++ = char(0x80 | (c & 0x3f));
        } else {
            // A lone surrogate has no UTF-8 form; write U+FFFD as QString::toUtf8 does.
            const char16_t c = QChar::isSurrogate(u) ? char16_t(0xfffd) : u;
            *p++ = char(0xe0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3f));
            *p++ = char(0x80 | (c & 0x3f));
        }
    }
    return p;
}

void Writer::string(QByteArrayView utf8)
{
    separate();
    char *p = room(utf8.size() + 2);
    *p++ = '"';
    p = std::copy(utf8.begin(), utf8.end(), p);
    *p++ = '"';
    commit(p);
}

void Writer::raw(QByteArrayView json)
{
    separate();
    char *p = room(json.size());
    commit(std::copy(json.begin(), json.end(), p));
}

void Writer::boolean(bool value)
{
    raw(value ? QByteArrayView("true") : QByteArrayView("false"));
}

void Writer::integer(qint64 value)
{
    raw(QByteArray::number(value));
}

QByteArray Writer::take()
{
    m_out.truncate(m_used);
    m_used = 0;
    m_first = true;
    return std::exchange(m_out, QByteArray());
}

} // namespace CatalogJson
