#include "catalog/CatalogJsonUrl.h"

namespace CatalogJson {
namespace {

bool isLowerAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// RFC 3986 unreserved characters and the segment separator. Nothing here is changed by
// QUrl's parsing or percent-encoding, so setting it as a path equals parsing it.
bool isPlainPathCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

} // namespace

std::optional<QUrl> UrlReader::readStrictly(std::string_view utf8)
{
    QUrl url(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())), QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    // QUrl lets a few invalid forms through (a second '#' in the fragment) that it cannot
    // write back as they were read; a URL that would change in the saved copy is refused.
    if (QUrl(QString::fromLatin1(url.toEncoded(QUrl::FullyEncoded)), QUrl::StrictMode) != url)
        return std::nullopt;
    return url;
}

size_t UrlReader::plainOriginLength(std::string_view s)
{
    size_t i;
    if (s.starts_with("https://"))
        i = 8;
    else if (s.starts_with("http://"))
        i = 7;
    else
        return 0;
    // Host: lower-case letters, digits, dots and hyphens, starting with a letter or digit.
    const size_t hostStart = i;
    while (i < s.size() && (isLowerAlnum(s[i]) || s[i] == '.' || s[i] == '-'))
        ++i;
    if (i == hostStart || !isLowerAlnum(s[hostStart]))
        return 0;
    if (i < s.size() && s[i] == ':') {
        const size_t portStart = ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i;
        if (i == portStart || i - portStart > 5)
            return 0;
    }
    if (i >= s.size() || s[i] != '/')
        return 0;
    // Path: plain characters, and no "." or ".." segment, which a full parse would keep but
    // which is better left to it.
    for (size_t j = i; j < s.size(); ++j) {
        if (!isPlainPathCharacter(s[j]) || (s[j] == '.' && s[j - 1] == '/'))
            return 0;
    }
    return i;
}

const QUrl *UrlReader::origin(std::string_view prefix)
{
    for (const Origin &o : m_origins) {
        if (o.prefix == prefix)
            return &o.url;
    }
    std::optional<QUrl> url = readStrictly(prefix);
    if (!url)
        return nullptr;
    if (m_origins.size() == m_origins.capacity())
        m_origins.remove(0); // a document with many hosts: keep the recent ones
    m_origins.append({std::string(prefix), std::move(*url)});
    return &m_origins.last().url;
}

std::optional<QUrl> UrlReader::read(std::string_view utf8)
{
    const size_t originLength = plainOriginLength(utf8);
    const QUrl *base = originLength ? origin(utf8.substr(0, originLength)) : nullptr;
    if (!base)
        return readStrictly(utf8);
    QUrl url = *base;
    const std::string_view path = utf8.substr(originLength);
    url.setPath(QString::fromLatin1(path.data(), qsizetype(path.size())), QUrl::TolerantMode);
    return url;
}

} // namespace CatalogJson
