#include "service/DiskImageAttach.h"

#include <QDir>

#include <plist/plist.h>

#include <limits>
#include <memory>

namespace {
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, void (*)(plist_t)>;

bool isType(plist_t node, plist_type type) { return node && plist_get_node_type(node) == type; }

std::optional<QString> stringValue(plist_t node)
{
    if (!isType(node, PLIST_STRING))
        return std::nullopt;
    uint64_t length = 0;
    const char *text = plist_get_string_ptr(node, &length);
    return QString::fromUtf8(text, qsizetype(length));
}
} // namespace

std::optional<QString> DiskImageAttach::mountPoint(const QString &output)
{
    const QByteArray bytes = output.toUtf8();
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    plist_t parsed = nullptr;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &parsed);
    const PlistPtr root(parsed, plist_free);
    if (!isType(root.get(), PLIST_DICT))
        return std::nullopt;
    plist_t entities = plist_dict_get_item(root.get(), "system-entities");
    if (!isType(entities, PLIST_ARRAY))
        return std::nullopt;
    std::optional<QString> first;
    const uint32_t count = plist_array_get_size(entities);
    for (uint32_t i = 0; i < count; ++i) {
        plist_t entity = plist_array_get_item(entities, i);
        if (!isType(entity, PLIST_DICT))
            return std::nullopt;  // the shape is wrong: an array of dictionaries is expected
        const auto point = stringValue(plist_dict_get_item(entity, "mount-point"));
        // A relative or empty mount point would name a folder of the Hub's own choosing.
        if (!first && point && QDir::isAbsolutePath(*point))
            first = point;
    }
    return first;
}
