#include "catalog/CatalogJson.h"
#include "catalog/CatalogJsonTimestamp.h"
#include "catalog/CatalogJsonUrl.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

// Feeds arbitrary bytes to the catalogue decoder. Whatever decodes must encode to a document
// that decodes to an equal catalogue and encodes to the same bytes again; whatever fails must
// say why. The same bytes also check the URL and timestamp shortcuts against the full forms.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView json(data, qsizetype(size));
    CatalogJson::DecodeError error;
    if (const std::optional<Catalog> catalog = CatalogJson::decode(json, &error)) {
        const QByteArray encoded = CatalogJson::encode(*catalog);
        const std::optional<Catalog> again = CatalogJson::decode(encoded);
        if (!again || !(*again == *catalog) || CatalogJson::encode(*again) != encoded)
            std::abort();
    } else if (error.reason.isEmpty()) {
        std::abort();
    }

    const std::string_view text(reinterpret_cast<const char *>(data), size);
    CatalogJson::UrlReader reader;
    const std::optional<QUrl> url = reader.read(text);
    const std::optional<QUrl> strict = CatalogJson::UrlReader::readStrictly(text);
    if (url.has_value() != strict.has_value() || (url && !(*url == *strict)))
        std::abort();

    if (const std::optional<QDateTime> instant = CatalogJson::Timestamp::parse(json)) {
        if (CatalogJson::Timestamp::parse(CatalogJson::Timestamp::format(*instant)) != instant)
            std::abort();
    }
    return 0;
}
