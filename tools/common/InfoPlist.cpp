#include "InfoPlist.h"

#include "Failure.h"

#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <memory>

namespace vtools {

namespace {

struct PlistDeleter {
    void operator()(plist_t p) const { plist_free(p); }
};
using Plist = std::unique_ptr<void, PlistDeleter>;

std::string stringValue(plist_t dict, const char *key)
{
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return {};
    char *value = nullptr;
    plist_get_string_val(node, &value);
    std::string out = value ? value : "";
    std::free(value);
    return out;
}

void setString(plist_t dict, const char *key, const std::string &value)
{
    if (!value.empty())
        plist_dict_set_item(dict, key, plist_new_string(value.c_str()));
}

} // namespace

std::optional<InfoPlist> InfoPlist::parse(std::string_view data)
{
    if (data.empty() || data.size() > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    plist_t raw = nullptr;
    plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &raw);
    Plist root(raw);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    InfoPlist info;
    info.identifier = stringValue(root.get(), "CFBundleIdentifier");
    info.executable = stringValue(root.get(), "CFBundleExecutable");
    info.name = stringValue(root.get(), "CFBundleName");
    info.version = stringValue(root.get(), "CFBundleShortVersionString");
    info.iconFile = stringValue(root.get(), "CFBundleIconFile");
    return info;
}

std::string InfoPlist::toXml() const
{
    Plist root(plist_new_dict());
    setString(root.get(), "CFBundleDevelopmentRegion", "en");
    setString(root.get(), "CFBundleExecutable", executable);
    setString(root.get(), "CFBundleIconFile", iconFile);
    setString(root.get(), "CFBundleIdentifier", identifier);
    setString(root.get(), "CFBundleInfoDictionaryVersion", "6.0");
    setString(root.get(), "CFBundleName", name);
    setString(root.get(), "CFBundlePackageType", "APPL");
    setString(root.get(), "CFBundleShortVersionString", version);
    setString(root.get(), "CFBundleVersion", version);
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        throw Failure("could not write the property list");
    std::string out(xml, length);
    plist_to_xml_free(xml);
    return out;
}

} // namespace vtools
