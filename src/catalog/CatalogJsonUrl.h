#pragma once

#include <optional>
#include <QUrl>
#include <QVarLengthArray>
#include <string>
#include <string_view>

namespace CatalogJson {

// Reads the catalogue's URL strings: URL references (relative ones included, the empty
// string not) that QUrl accepts in strict mode and can write back unchanged. Whether a URL
// may be fetched or opened is decided where it is used (CatalogLinks).
//
// A catalogue holds tens of thousands of URLs on a handful of hosts, and a full QUrl parse
// is most of the cost of decoding one. URLs of the plain shape http(s)://host[:port]/path,
// with a path of unreserved characters only, are therefore built from a copy of the parsed
// scheme and host with the path set on it, which gives the same QUrl. Anything else takes
// the full parse. A reader remembers the last few hosts; it is not shared between threads.
class UrlReader {
public:
    // The URL in utf8, or nothing when it is not a URL reference.
    std::optional<QUrl> read(std::string_view utf8);

    // The full parse alone, which the shortcut must agree with.
    static std::optional<QUrl> readStrictly(std::string_view utf8);

private:
    // Length of the "scheme://host[:port]" part when utf8 has the plain shape, else 0.
    static size_t plainOriginLength(std::string_view utf8);
    const QUrl *origin(std::string_view prefix);

    struct Origin {
        std::string prefix;
        QUrl url;
    };
    QVarLengthArray<Origin, 8> m_origins;
};

} // namespace CatalogJson
