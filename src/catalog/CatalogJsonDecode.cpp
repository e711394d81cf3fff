#include "catalog/CatalogJson.h"
#include "catalog/CatalogJsonTimestamp.h"
#include "catalog/CatalogJsonUrl.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <memory>
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

std::string_view trimmedToken(std::string_view token)
{
    while (!token.empty() && (token.back() == ' ' || token.back() == '\t' || token.back() == '\n' ||
                              token.back() == '\r'))
        token.remove_suffix(1);
    return token;
}

QByteArrayView bytes(std::string_view s)
{
    return QByteArrayView(s.data(), qsizetype(s.size()));
}

class Decoder;

// One key of an object in the format: its JSON name, whether it must be present, and how its
// value goes into the record.
template <typename Record> struct Key {
    std::string_view name;
    bool required;
    Outcome (*read)(Decoder &, od::value &, Record &);
};

// The index of the key spelled exactly as raw (no escapes), trying `expected` first; N if none.
template <typename Record, size_t N>
size_t findKey(const od::raw_json_string &raw, const std::array<Key<Record>, N> &keys,
               size_t expected)
{
    // Comparing the raw bytes is safe: the names hold no quotes and the input is padded.
    if (expected < N && raw.unsafe_is_equal(keys[expected].name))
        return expected;
    for (size_t k = 0; k < N; ++k) {
        if (raw.unsafe_is_equal(keys[k].name))
            return k;
    }
    return N;
}

// Values that repeat from app to app (category ids, currencies, licences, prices) share one
// QString or Decimal instead of each allocating its own copy.
template <typename T> class SharedValues {
public:
    // The value for utf8, made by make(utf8) -> std::optional<T> unless already known.
    template <typename Make> std::optional<T> get(std::string_view utf8, Make make)
    {
        for (const Entry &e : m_entries) {
            if (e.utf8 == utf8)
                return e.value;
        }
        std::optional<T> value = make(utf8);
        if (value && utf8.size() <= 64 && m_entries.size() < 32)
            m_entries.append({utf8, *value}); // utf8 points into the document: alive until the end
        return value;
    }

private:
    struct Entry {
        std::string_view utf8;
        T value;
    };
    QVarLengthArray<Entry, 32> m_entries;
};

class Decoder {
public:
    Outcome readDocument(od::parser &parser, const char *padded, size_t length, size_t capacity,
                         Catalog &out);

    Outcome readString(od::value &v, QString &out);
    Outcome readSharedString(od::value &v, QString &out); // for values that often repeat
    Outcome readUrl(od::value &v, QUrl &out);
    Outcome readUrlList(od::value &v, QList<QUrl> &out);
    Outcome readTimestamp(od::value &v, QDateTime &out);
    Outcome readBool(od::value &v, bool &out);
    Outcome readInt64(od::value &v, qint64 &out);
    Outcome readDecimal(od::value &v, Decimal &out);
    Outcome readPrice(od::value &v, Price &out);
    Outcome readCategories(od::value &v, QList<Category> &out);
    Outcome readApps(od::value &v, QList<CatalogApp> &out);
    // Null or a value: null leaves the field absent.
    Outcome readOptionalString(od::value &v, std::optional<QString> &out);
    Outcome readOptionalUrl(od::value &v, std::optional<QUrl> &out);
    Outcome readOptionalSource(od::value &v, std::optional<Source> &out);

private:
    template <typename T, typename Read>
    Outcome readOptional(od::value &v, std::optional<T> &out, Read read);
    template <typename Record, size_t N>
    Outcome readObject(od::value &v, Record &out, const std::array<Key<Record>, N> &keys);
    template <typename Record, size_t N>
    Outcome readList(od::value &v, QList<Record> &out, const std::array<Key<Record>, N> &keys);
    // A JSON array read element by element with readElement(value, T &).
    template <typename T, typename ReadElement>
    Outcome readArray(od::value &v, QList<T> &out, ReadElement readElement);
    template <typename Record, size_t N>
    Outcome readFields(od::object &object, Record &out, const std::array<Key<Record>, N> &keys);
    Outcome readUtf8(od::value &v, std::string_view &out);
    Outcome numberToken(od::value &v, std::string_view &out);
    // Nothing when v has the wanted type; otherwise v is checked to be well-formed and the
    // answer is a mismatch with `reason`.
    Outcome expect(od::value &v, json_type wanted, const char *reason);
    // Reads v to its end only to check that it is well-formed JSON.
    Outcome validate(od::value &v, int depth = 0);
    Outcome validateRoot(const char *json, size_t length);

    UrlReader m_urls;
    SharedValues<QString> m_strings;
    SharedValues<Decimal> m_decimals;
};

// The reader of a key whose value goes into `member` through the Decoder function `read`.
template <typename T> struct MemberOf;
template <typename Class, typename Type> struct MemberOf<Type Class::*> {
    using Record = Class;
};
template <auto member, auto read>
Outcome readMember(Decoder &d, od::value &v, typename MemberOf<decltype(member)>::Record &record)
{
    return (d.*read)(v, record.*member);
}

// The format's tables, keys in the order they are checked and written.

const std::array<Key<Category>, 3> categoryKeys{{
    {"id", true, readMember<&Category::id, &Decoder::readSharedString>},
    {"name", true, readMember<&Category::name, &Decoder::readString>},
    {"symbol", true, readMember<&Category::symbol, &Decoder::readString>},
}};

const std::array<Key<Price>, 2> priceKeys{{
    {"amount", true, readMember<&Price::amount, &Decoder::readDecimal>},
    {"currency", true, readMember<&Price::currency, &Decoder::readSharedString>},
}};

const std::array<Key<Source>, 4> sourceKeys{{
    {"repository", true, readMember<&Source::repository, &Decoder::readUrl>},
    {"author", true, readMember<&Source::author, &Decoder::readSharedString>},
    {"license", true, readMember<&Source::license, &Decoder::readSharedString>},
    {"fork", false, readMember<&Source::fork, &Decoder::readOptionalUrl>},
}};

const std::array<Key<CatalogApp>, 16> appKeys{{
    {"id", true, readMember<&CatalogApp::id, &Decoder::readString>},
    {"name", true, readMember<&CatalogApp::name, &Decoder::readString>},
    {"tagline", true, readMember<&CatalogApp::tagline, &Decoder::readString>},
    {"description", true, readMember<&CatalogApp::description, &Decoder::readString>},
    {"version", true, readMember<&CatalogApp::version, &Decoder::readString>},
    {"price", true, readMember<&CatalogApp::price, &Decoder::readPrice>},
    {"source", false, readMember<&CatalogApp::source, &Decoder::readOptionalSource>},
    {"category", true, readMember<&CatalogApp::categoryID, &Decoder::readSharedString>},
    {"bundleId", false, readMember<&CatalogApp::bundleID, &Decoder::readOptionalString>},
    {"minimumSystemVersion", true,
     readMember<&CatalogApp::minimumSystem, &Decoder::readSharedString>},
    {"icon", false, readMember<&CatalogApp::iconURL, &Decoder::readOptionalUrl>},
    {"screenshots", true, readMember<&CatalogApp::screenshotURLs, &Decoder::readUrlList>},
    {"download", false, readMember<&CatalogApp::downloadURL, &Decoder::readOptionalUrl>},
    {"homepage", false, readMember<&CatalogApp::homepageURL, &Decoder::readOptionalUrl>},
    {"featured", true, readMember<&CatalogApp::isFeatured, &Decoder::readBool>},
    {"updated", true, readMember<&CatalogApp::updatedAt, &Decoder::readTimestamp>},
}};

const std::array<Key<Catalog>, 4> catalogKeys{{
    {"version", true, readMember<&Catalog::version, &Decoder::readInt64>},
    {"updatedAt", true, readMember<&Catalog::updatedAt, &Decoder::readTimestamp>},
    {"categories", true, readMember<&Catalog::categories, &Decoder::readCategories>},
    {"apps", true, readMember<&Catalog::apps, &Decoder::readApps>},
}};

Outcome Decoder::readPrice(od::value &v, Price &out)
{
    return readObject(v, out, priceKeys);
}
Outcome Decoder::readOptionalSource(od::value &v, std::optional<Source> &out)
{
    return readOptional(v, out, [this](od::value &value, Source &source) {
        return readObject(value, source, sourceKeys);
    });
}
Outcome Decoder::readCategories(od::value &v, QList<Category> &out)
{
    return readList(v, out, categoryKeys);
}
Outcome Decoder::readApps(od::value &v, QList<CatalogApp> &out)
{
    return readList(v, out, appKeys);
}

Outcome Decoder::readDocument(od::parser &parser, const char *padded, size_t length,
                              size_t capacity, Catalog &out)
{
    od::document doc;
    if (auto e = parser.iterate(padded, length, capacity).get(doc))
        return Failure::malformed(e);
    json_type type;
    if (auto e = doc.type().get(type))
        return Failure::malformed(e);
    if (type != json_type::object)
        return validateRoot(padded, length);
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

Outcome Decoder::validateRoot(const char *json, size_t length)
{
    // Rare: a document that is not an object. The DOM parser judges whether it is JSON.
    simdjson::dom::parser parser;
    simdjson::dom::element element;
    if (auto e = parser.parse(json, length).get(element))
        return Failure::malformed(e);
    return Failure::mismatch(u"expected an object"_s);
}

template <typename Record, size_t N>
Outcome Decoder::readObject(od::value &v, Record &out, const std::array<Key<Record>, N> &keys)
{
    if (auto f = expect(v, json_type::object, "expected an object"))
        return f;
    od::object object;
    if (auto e = v.get_object().get(object))
        return Failure::malformed(e);
    return readFields(object, out, keys);
}

template <typename Record, size_t N>
Outcome Decoder::readFields(od::object &object, Record &out, const std::array<Key<Record>, N> &keys)
{
    static_assert(N <= 32);
    // Keys are read in document order, but the answer is the first problem in the format's
    // order, so each key's outcome is kept until the end. A repeated key counts as written
    // last, as in most JSON readers.
    std::array<Outcome, N> outcomes;
    quint32 present = 0;
    size_t expected = 0; // documents usually list keys in the format's order
    for (auto item : object) {
        od::field field;
        if (auto e = std::move(item).get(field))
            return Failure::malformed(e);
        size_t k = findKey(field.key(), keys, expected);
        if (k == N) {
            // Not a plain key of the format: it may still be one written with escapes.
            std::string_view name;
            if (auto e = field.unescaped_key().get(name))
                return Failure::malformed(e);
            k = std::find_if(keys.begin(), keys.end(),
                             [&](const Key<Record> &key) { return key.name == name; }) -
                keys.begin();
            if (k == N) {
                if (auto f = validate(field.value()))
                    return std::move(*f).under(name);
                continue;
            }
        }
        expected = k + 1;
        present |= 1u << k;
        outcomes[k] = keys[k].read(*this, field.value(), out);
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

template <typename T, typename ReadElement>
Outcome Decoder::readArray(od::value &v, QList<T> &out, ReadElement readElement)
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

template <typename Record, size_t N>
Outcome Decoder::readList(od::value &v, QList<Record> &out, const std::array<Key<Record>, N> &keys)
{
    return readArray(v, out, [&](od::value &element, Record &record) {
        return readObject(element, record, keys);
    });
}

template <typename T, typename Read>
Outcome Decoder::readOptional(od::value &v, std::optional<T> &out, Read read)
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

Outcome Decoder::readOptionalString(od::value &v, std::optional<QString> &out)
{
    return readOptional(
        v, out, [this](od::value &value, QString &text) { return readString(value, text); });
}

Outcome Decoder::readOptionalUrl(od::value &v, std::optional<QUrl> &out)
{
    return readOptional(v, out,
                        [this](od::value &value, QUrl &url) { return readUrl(value, url); });
}

Outcome Decoder::expect(od::value &v, json_type wanted, const char *reason)
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

Outcome Decoder::readUtf8(od::value &v, std::string_view &out)
{
    if (auto f = expect(v, json_type::string, "expected a string"))
        return f;
    // Most strings hold no escapes: take them straight from the input rather than have
    // simdjson copy them out. The first pass has already checked their characters.
    const std::string_view token = trimmedToken(v.raw_json_token());
    if (token.size() >= 2 && token.back() == '"') {
        const std::string_view content = token.substr(1, token.size() - 2);
        if (content.find('\\') == std::string_view::npos) {
            out = content;
            return {};
        }
    }
    if (auto e = v.get_string().get(out))
        return Failure::malformed(e);
    return {};
}

Outcome Decoder::readSharedString(od::value &v, QString &out)
{
    std::string_view text;
    if (auto f = readUtf8(v, text))
        return f;
    out = *m_strings.get(text, [](std::string_view utf8) {
        return std::optional(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    });
    return {};
}

Outcome Decoder::readString(od::value &v, QString &out)
{
    std::string_view text;
    if (auto f = readUtf8(v, text))
        return f;
    out = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return {};
}

Outcome Decoder::readUrl(od::value &v, QUrl &out)
{
    std::string_view text;
    if (auto f = readUtf8(v, text))
        return f;
    std::optional<QUrl> url = m_urls.read(text);
    if (!url)
        return Failure::mismatch(u"expected an absolute URL, found "_s + quoted(text));
    out = std::move(*url);
    return {};
}

Outcome Decoder::readUrlList(od::value &v, QList<QUrl> &out)
{
    return readArray(v, out,
                     [this](od::value &element, QUrl &url) { return readUrl(element, url); });
}

Outcome Decoder::readTimestamp(od::value &v, QDateTime &out)
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

Outcome Decoder::readBool(od::value &v, bool &out)
{
    if (auto f = expect(v, json_type::boolean, "expected true or false"))
        return f;
    if (auto e = v.get_bool().get(out))
        return Failure::malformed(e);
    return {};
}

Outcome Decoder::numberToken(od::value &v, std::string_view &out)
{
    // The number's own text, never a double: prices stay exact and integers are checked
    // digit for digit.
    out = trimmedToken(v.raw_json_token());
    if (!Decimal::fromJsonText(bytes(out)))
        return Failure::malformed(u"malformed number "_s + quoted(out));
    return {};
}

Outcome Decoder::readInt64(od::value &v, qint64 &out)
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

Outcome Decoder::readDecimal(od::value &v, Decimal &out)
{
    if (auto f = expect(v, json_type::number, "expected a number"))
        return f;
    const std::string_view text = trimmedToken(v.raw_json_token());
    const std::optional<Decimal> amount =
        m_decimals.get(text, [](std::string_view t) { return Decimal::fromJsonText(bytes(t)); });
    if (!amount)
        return Failure::malformed(u"malformed number "_s + quoted(text));
    out = *amount;
    return {};
}

Outcome Decoder::validate(od::value &v, int depth)
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

// One parser and one padded input buffer per thread: simdjson wants readable padding after
// the input and reuses its buffers between documents.
class Workspace {
public:
    od::parser parser;

    // json copied into the buffer, followed by zeroed padding.
    const char *pad(QByteArrayView json)
    {
        const size_t needed = size_t(json.size()) + simdjson::SIMDJSON_PADDING;
        if (needed > m_capacity) {
            m_buffer = std::make_unique_for_overwrite<char[]>(needed);
            m_capacity = needed;
        }
        std::copy(json.begin(), json.end(), m_buffer.get());
        std::fill_n(m_buffer.get() + json.size(), simdjson::SIMDJSON_PADDING, '\0');
        return m_buffer.get();
    }
    size_t capacity() const { return m_capacity; }

    // Keeps a thread from holding on to the memory of one unusually large document.
    void trim()
    {
        constexpr size_t keep = 16 * 1024 * 1024;
        if (m_capacity > keep) {
            m_buffer.reset();
            m_capacity = 0;
            parser = od::parser();
        }
    }

private:
    std::unique_ptr<char[]> m_buffer;
    size_t m_capacity = 0;
};

} // namespace

using namespace Qt::StringLiterals;

QString DecodeError::toString() const
{
    return path.isEmpty() ? reason : path + u": "_s + reason;
}

std::optional<Catalog> decode(QByteArrayView json, DecodeError *error)
{
    thread_local Workspace workspace;
    Catalog catalog;
    Decoder decoder;
    const char *padded = workspace.pad(json);
    Outcome failure = decoder.readDocument(workspace.parser, padded, size_t(json.size()),
                                           workspace.capacity(), catalog);
    workspace.trim();
    if (failure) {
        if (error)
            *error = {std::move(failure->path), std::move(failure->reason)};
        return std::nullopt;
    }
    return catalog;
}

} // namespace CatalogJson
