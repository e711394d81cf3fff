#include "catalog/CatalogJson.h"
#include "catalog/CatalogJsonTimestamp.h"
#include "catalog/CatalogJsonUrl.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <simdjson.h>
#include <string_view>

// Decoding walks simdjson's on-demand iterator once over the whole document. On-demand only
// checks what it is asked to read, so every value that the format does not need (ignored
// keys, the rest of a list after a bad entry) is still walked to the end by validate():
// a document that is not well-formed JSON anywhere is rejected, and that rejection wins over
// any mismatch with the format found earlier.

namespace CatalogJson {
namespace {

namespace od = simdjson::ondemand;
using od::json_type;
using namespace Qt::StringLiterals;

// Deeper nesting than this in an ignored value is refused instead of recursing further. With
// the format's own few levels it stays below the depth simdjson's iterator tracks (1024).
constexpr int maxDepth = 1000;

// What went wrong with one value, and where, relative to the value being read.
struct Failure {
    enum class Kind { Malformed, Mismatch }; // not JSON at all / JSON that breaks the format
    Kind kind;
    QString reason;
    QString path;

    static Failure malformed(QString what)
    {
        return {Kind::Malformed, u"not valid JSON ("_s + what + u')', {}};
    }
    static Failure malformed(simdjson::error_code e)
    {
        return malformed(QString::fromUtf8(simdjson::error_message(e)));
    }
    static Failure mismatch(QString reason) { return {Kind::Mismatch, std::move(reason), {}}; }

    bool isMalformed() const { return kind == Kind::Malformed; }

    // Prefix the key or list index the value sat under.
    Failure under(std::string_view key) &&
    {
        const QString name = QString::fromLatin1(key);
        path = path.isEmpty() ? name : path.startsWith(u'[') ? name + path : name + u'.' + path;
        return std::move(*this);
    }
    Failure at(qsizetype index) &&
    {
        const QString item = u'[' + QString::number(index) + u']';
        path = path.isEmpty() || path.startsWith(u'[') ? item + path : item + u'.' + path;
        return std::move(*this);
    }
};

// Nothing when the value was read; otherwise why not.
using Outcome = std::optional<Failure>;

QString quoted(std::string_view text)
{
    constexpr qsizetype shown = 80;
    QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (s.size() > shown)
        s = s.left(shown) + u'\u2026';
    return u'"' + s + u'"';
}

QByteArrayView bytes(std::string_view s)
{
    return QByteArrayView(s.data(), qsizetype(s.size()));
}

// One key of an object in the format: its JSON name, whether it must be present, and how its
// value goes into the record.
template <typename Record> struct Key {
    std::string_view name;
    bool required;
    Outcome (*read)(od::value &, Record &);
};

Outcome validate(od::value &v, int depth = 0);

// Nothing when v has the wanted type; otherwise v is checked to be well-formed and the answer
// is a mismatch with `reason`.
Outcome expect(od::value &v, json_type wanted, const char *reason)
{
    json_type type;
    if (auto e = v.type().get(type))
        return Failure::malformed(e);
    if (type == wanted)
        return {};
    if (auto f = validate(v))
        return f;
    return Failure::mismatch(QString::fromLatin1(reason));
}

// The number's own text, never a double: prices stay exact and integers are checked digit for
// digit.
Outcome numberToken(od::value &v, std::string_view &out)
{
    out = v.raw_json_token();
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t' || out.back() == '\n' ||
                            out.back() == '\r'))
        out.remove_suffix(1);
    if (!Decimal::fromJsonText(bytes(out)))
        return Failure::malformed(u"malformed number "_s + quoted(out));
    return {};
}

// Reads v to its end only to check that it is well-formed JSON.
Outcome validate(od::value &v, int depth)
{
    json_type type;
    if (auto e = v.type().get(type))
        return Failure::malformed(e);
    switch (type) {
    case json_type::object: {
        if (depth >= maxDepth)
            return Failure::malformed(u"nested too deeply"_s);
        od::object object;
        if (auto e = v.get_object().get(object))
            return Failure::malformed(e);
        for (auto item : object) {
            od::field field;
            std::string_view name;
            if (auto e = std::move(item).get(field))
                return Failure::malformed(e);
            if (auto e = field.unescaped_key().get(name))
                return Failure::malformed(e);
            if (auto f = validate(field.value(), depth + 1))
                return f;
        }
        return {};
    }
    case json_type::array: {
        if (depth >= maxDepth)
            return Failure::malformed(u"nested too deeply"_s);
        od::array array;
        if (auto e = v.get_array().get(array))
            return Failure::malformed(e);
        for (auto item : array) {
            od::value element;
            if (auto e = item.get(element))
                return Failure::malformed(e);
            if (auto f = validate(element, depth + 1))
                return f;
        }
        return {};
    }
    case json_type::string: {
        std::string_view text;
        if (auto e = v.get_string().get(text))
            return Failure::malformed(e);
        return {};
    }
    case json_type::number: {
        std::string_view text;
        return numberToken(v, text);
    }
    case json_type::boolean: {
        bool value;
        if (auto e = v.get_bool().get(value))
            return Failure::malformed(e);
        return {};
    }
    case json_type::null: {
        bool isNull = false;
        if (auto e = v.is_null().get(isNull))
            return Failure::malformed(e);
        return {};
    }
    }
    return Failure::malformed(u"unknown value"_s);
}

template <typename Record, size_t N>
Outcome readFields(od::object &object, Record &out, const std::array<Key<Record>, N> &keys)
{
    static_assert(N <= 32);
    // Keys are read in document order, but the answer is the first problem in the format's
    // order, so each key's outcome is kept until the end. A repeated key counts as written
    // last, as in most JSON readers.
    std::array<Outcome, N> outcomes;
    quint32 present = 0;
    for (auto item : object) {
        od::field field;
        std::string_view name;
        if (auto e = std::move(item).get(field))
            return Failure::malformed(e);
        if (auto e = field.unescaped_key().get(name))
            return Failure::malformed(e);
        const size_t k = std::find_if(keys.begin(), keys.end(),
                                      [&](const Key<Record> &key) { return key.name == name; }) -
                         keys.begin();
        if (k == N) {
            if (auto f = validate(field.value()))
                return std::move(*f).under(name);
            continue;
        }
        present |= 1u << k;
        outcomes[k] = keys[k].read(field.value(), out);
        if (outcomes[k] && outcomes[k]->isMalformed())
            return std::move(*outcomes[k]).under(keys[k].name);
    }
    for (size_t k = 0; k < N; ++k) {
        if (outcomes[k])
            return std::move(*outcomes[k]).under(keys[k].name);
        if (keys[k].required && !(present & (1u << k)))
            return Failure::mismatch(u"required key missing"_s).under(keys[k].name);
    }
    return {};
}

template <typename Record, size_t N>
Outcome readObject(od::value &v, Record &out, const std::array<Key<Record>, N> &keys)
{
    if (auto f = expect(v, json_type::object, "expected an object"))
        return f;
    od::object object;
    if (auto e = v.get_object().get(object))
        return Failure::malformed(e);
    return readFields(object, out, keys);
}

// A JSON array read element by element with readElement(value, T &).
template <typename T, typename ReadElement>
Outcome readArray(od::value &v, QList<T> &out, ReadElement readElement)
{
    if (auto f = expect(v, json_type::array, "expected an array"))
        return f;
    od::array array;
    if (auto e = v.get_array().get(array))
        return Failure::malformed(e);
    out.clear();
    Outcome first; // after the first bad element the rest are only checked to be JSON
    qsizetype index = 0;
    for (auto item : array) {
        od::value element;
        if (auto e = item.get(element))
            return Failure::malformed(e).at(index);
        if (Outcome f = first ? validate(element) : readElement(element, out.emplace_back())) {
            if (f->isMalformed())
                return std::move(*f).at(index);
            first = std::move(*f).at(index);
        }
        ++index;
    }
    return first;
}

// Null leaves the field absent; anything else is read with read(value, T &).
template <typename T, typename Read>
Outcome readOptional(od::value &v, std::optional<T> &out, Read read)
{
    json_type type;
    if (auto e = v.type().get(type))
        return Failure::malformed(e);
    if (type == json_type::null) {
        bool isNull = false;
        if (auto e = v.is_null().get(isNull))
            return Failure::malformed(e);
        out.reset();
        return {};
    }
    T value;
    if (auto f = read(v, value))
        return f;
    out = std::move(value);
    return {};
}

Outcome readUtf8(od::value &v, std::string_view &out)
{
    if (auto f = expect(v, json_type::string, "expected a string"))
        return f;
    if (auto e = v.get_string().get(out))
        return Failure::malformed(e);
    return {};
}

Outcome readString(od::value &v, QString &out)
{
    std::string_view text;
    if (auto f = readUtf8(v, text))
        return f;
    out = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return {};
}

Outcome readUrl(od::value &v, QUrl &out)
{
    std::string_view text;
    if (auto f = readUtf8(v, text))
        return f;
    // The hosts last seen on this thread are kept from one document to the next.
    thread_local UrlReader urls;
    std::optional<QUrl> url = urls.read(text);
    if (!url)
        return Failure::mismatch(u"expected a URL, found "_s + quoted(text));
    out = std::move(*url);
    return {};
}

Outcome readUrlList(od::value &v, QList<QUrl> &out)
{
    return readArray(v, out, readUrl);
}

Outcome readTimestamp(od::value &v, QDateTime &out)
{
    std::string_view text;
    if (auto f = readUtf8(v, text))
        return f;
    std::optional<QDateTime> instant = Timestamp::parse(bytes(text));
    if (!instant)
        return Failure::mismatch(u"expected a date-time like 2025-03-01T09:30:00Z, found "_s +
                                 quoted(text));
    out = *instant;
    return {};
}

Outcome readBool(od::value &v, bool &out)
{
    if (auto f = expect(v, json_type::boolean, "expected true or false"))
        return f;
    if (auto e = v.get_bool().get(out))
        return Failure::malformed(e);
    return {};
}

Outcome readInt64(od::value &v, qint64 &out)
{
    if (auto f = expect(v, json_type::number, "expected an integer"))
        return f;
    std::string_view text;
    if (auto f = numberToken(v, text))
        return f;
    if (text.find_first_of(".eE") != std::string_view::npos)
        return Failure::mismatch(u"expected an integer, found "_s +
                                 QString::fromLatin1(bytes(text)));
    qint64 value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return Failure::mismatch(u"expected an integer that fits in 64 bits, found "_s +
                                 QString::fromLatin1(bytes(text)));
    out = value;
    return {};
}

Outcome readPositiveInt64(od::value &v, qint64 &out)
{
    qint64 value = 0;
    if (auto f = readInt64(v, value))
        return f;
    if (value <= 0)
        return Failure::mismatch(u"expected a positive integer, found "_s + QString::number(value));
    out = value;
    return {};
}

Outcome readSha256(od::value &v, QString &out)
{
    std::string_view text;
    if (auto f = readUtf8(v, text))
        return f;
    const auto isLowerHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    if (text.size() != 64 || !std::all_of(text.begin(), text.end(), isLowerHex))
        return Failure::mismatch(u"expected 64 lower-case hexadecimal digits, found "_s +
                                 quoted(text));
    out = QString::fromLatin1(bytes(text));
    return {};
}

Outcome readDecimal(od::value &v, Decimal &out)
{
    if (auto f = expect(v, json_type::number, "expected a number"))
        return f;
    std::string_view text;
    if (auto f = numberToken(v, text))
        return f;
    out = *Decimal::fromJsonText(bytes(text));
    return {};
}

// The reader of a key whose value goes into `member` through `read`.
template <typename T> struct MemberOf;
template <typename Class, typename Type> struct MemberOf<Type Class::*> {
    using Record = Class;
    using Value = Type;
};
template <auto member, auto read>
Outcome readMember(od::value &v, typename MemberOf<decltype(member)>::Record &record)
{
    return read(v, record.*member);
}
// The same for an optional key, whose value may also be null.
template <auto member, auto read>
Outcome readOptionalMember(od::value &v, typename MemberOf<decltype(member)>::Record &record)
{
    return readOptional(v, record.*member, read);
}

// The format's tables, keys in the order they are checked and written.

const std::array<Key<Category>, 3> categoryKeys{{
    {"id", true, readMember<&Category::id, readString>},
    {"name", true, readMember<&Category::name, readString>},
    {"symbol", true, readMember<&Category::symbol, readString>},
}};

const std::array<Key<Price>, 2> priceKeys{{
    {"amount", true, readMember<&Price::amount, readDecimal>},
    {"currency", true, readMember<&Price::currency, readString>},
}};

const std::array<Key<Source>, 4> sourceKeys{{
    {"repository", true, readMember<&Source::repository, readUrl>},
    {"author", true, readMember<&Source::author, readString>},
    {"license", true, readMember<&Source::license, readString>},
    {"fork", false, readOptionalMember<&Source::fork, readUrl>},
}};

Outcome readPrice(od::value &v, Price &out)
{
    return readObject(v, out, priceKeys);
}

Outcome readSource(od::value &v, Source &out)
{
    return readObject(v, out, sourceKeys);
}

const std::array<Key<CatalogApp>, 18> appKeys{{
    {"id", true, readMember<&CatalogApp::id, readString>},
    {"name", true, readMember<&CatalogApp::name, readString>},
    {"tagline", true, readMember<&CatalogApp::tagline, readString>},
    {"description", true, readMember<&CatalogApp::description, readString>},
    {"version", true, readMember<&CatalogApp::version, readString>},
    {"price", true, readMember<&CatalogApp::price, readPrice>},
    {"source", false, readOptionalMember<&CatalogApp::source, readSource>},
    {"category", true, readMember<&CatalogApp::categoryID, readString>},
    {"bundleId", false, readOptionalMember<&CatalogApp::bundleID, readString>},
    {"minimumSystemVersion", true, readMember<&CatalogApp::minimumSystem, readString>},
    {"icon", false, readOptionalMember<&CatalogApp::iconURL, readUrl>},
    {"screenshots", true, readMember<&CatalogApp::screenshotURLs, readUrlList>},
    {"download", false, readOptionalMember<&CatalogApp::downloadURL, readUrl>},
    {"downloadSize", false, readOptionalMember<&CatalogApp::downloadSize, readPositiveInt64>},
    {"downloadSHA256", false, readOptionalMember<&CatalogApp::downloadSHA256, readSha256>},
    {"homepage", false, readOptionalMember<&CatalogApp::homepageURL, readUrl>},
    {"featured", true, readMember<&CatalogApp::isFeatured, readBool>},
    {"updated", true, readMember<&CatalogApp::updatedAt, readTimestamp>},
}};

Outcome readCategories(od::value &v, QList<Category> &out)
{
    return readArray(v, out, [](od::value &e, Category &c) { return readObject(e, c, categoryKeys); });
}

Outcome readApps(od::value &v, QList<CatalogApp> &out)
{
    return readArray(v, out, [](od::value &e, CatalogApp &a) { return readObject(e, a, appKeys); });
}

const std::array<Key<Catalog>, 4> catalogKeys{{
    {"version", true, readMember<&Catalog::version, readInt64>},
    {"updatedAt", true, readMember<&Catalog::updatedAt, readTimestamp>},
    {"categories", true, readMember<&Catalog::categories, readCategories>},
    {"apps", true, readMember<&Catalog::apps, readApps>},
}};

// Rare: a document that is not an object. The DOM parser judges whether it is JSON.
Outcome notAnObject(const char *json, size_t length)
{
    simdjson::dom::parser parser;
    simdjson::dom::element element;
    if (auto e = parser.parse(json, length).get(element))
        return Failure::malformed(e);
    return Failure::mismatch(u"expected an object"_s);
}

Outcome readDocument(od::parser &parser, const simdjson::padded_string &json, Catalog &out)
{
    od::document doc;
    if (auto e = parser.iterate(json).get(doc))
        return Failure::malformed(e);
    json_type type;
    if (auto e = doc.type().get(type))
        return Failure::malformed(e);
    if (type != json_type::object)
        return notAnObject(json.data(), json.size());
    od::object root;
    if (auto e = doc.get_object().get(root))
        return Failure::malformed(e);
    Outcome outcome = readFields(root, out, catalogKeys);
    if (outcome && outcome->isMalformed())
        return outcome;
    // After the root object only whitespace may follow.
    const auto rest = doc.current_location();
    if (rest.error() != simdjson::OUT_OF_BOUNDS)
        return Failure::malformed(rest.error()
                                      ? QString::fromUtf8(simdjson::error_message(rest.error()))
                                      : u"content after the end of the document"_s);
    return outcome;
}

} // namespace

QString DecodeError::toString() const
{
    return path.isEmpty() ? reason : path + u": "_s + reason;
}

std::optional<Catalog> decode(QByteArrayView json, DecodeError *error)
{
    // simdjson reads past the end of its input, so it gets a padded copy.
    const simdjson::padded_string padded(json.data(), size_t(json.size()));
    od::parser parser;
    Catalog catalog;
    if (Outcome failure = readDocument(parser, padded, catalog)) {
        if (error)
            *error = {std::move(failure->path), std::move(failure->reason)};
        return std::nullopt;
    }
    return catalog;
}

} // namespace CatalogJson
