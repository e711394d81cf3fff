#include "posix/InfoPlist.h"

#include "posix/FileDescriptor.h"

#include <plist/plist.h>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

namespace posix {

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using Plist = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

std::optional<std::string> stringValue(plist_t dict, const char *key)
{
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    uint64_t length = 0;
    const char *text = plist_get_string_ptr(node, &length);
    if (!text)
        return std::nullopt;
    return std::string(text, length);
}

void setString(plist_t dict, const char *key, const std::optional<std::string> &value)
{
    if (value)
        plist_dict_set_item(dict, key, plist_new_string(value->c_str()));
}

std::optional<std::string> readSmallFile(const std::string &path, std::size_t maxBytes)
{
    // Non-blocking, so that a named pipe in the bundle cannot hold the reader up.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)
        || std::size_t(st.st_size) > maxBytes)
        return std::nullopt;
    std::string data(std::size_t(st.st_size), '\0');
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::read(fd.get(), data.data() + done, data.size() - done);
        if (n == 0)
            break; // shrank meanwhile: what is there is what counts
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        done += std::size_t(n);
    }
    data.resize(done);
    return data;
}

} // namespace

std::optional<InfoPlist> InfoPlist::parse(std::string_view data)
{
    if (data.empty() || data.size() > std::numeric_limits<uint32_t>::max()) // the parser's limit
        return std::nullopt;
    plist_t parsed = nullptr;
    plist_from_memory(data.data(), uint32_t(data.size()), &parsed);
    const Plist root(parsed);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    InfoPlist info;
    info.identifier = stringValue(root.get(), "CFBundleIdentifier");
    info.shortVersion = stringValue(root.get(), "CFBundleShortVersionString");
    info.displayName = stringValue(root.get(), "CFBundleDisplayName");
    info.name = stringValue(root.get(), "CFBundleName");
    info.executable = stringValue(root.get(), "CFBundleExecutable");
    info.iconFile = stringValue(root.get(), "CFBundleIconFile");
    return info;
}

std::optional<InfoPlist> InfoPlist::read(const std::string &path)
{
    const std::optional<std::string> data = readSmallFile(path, maxBytes);
    return data ? parse(*data) : std::nullopt;
}

std::string InfoPlist::toXml() const
{
    const Plist root(plist_new_dict());
    setString(root.get(), "CFBundleDevelopmentRegion", std::string("en"));
    setString(root.get(), "CFBundleDisplayName", displayName);
    setString(root.get(), "CFBundleExecutable", executable);
    setString(root.get(), "CFBundleIconFile", iconFile);
    setString(root.get(), "CFBundleIdentifier", identifier);
    setString(root.get(), "CFBundleInfoDictionaryVersion", std::string("6.0"));
    setString(root.get(), "CFBundleName", name);
    setString(root.get(), "CFBundlePackageType", std::string("APPL"));
    setString(root.get(), "CFBundleShortVersionString", shortVersion);
    setString(root.get(), "CFBundleVersion", shortVersion);
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        throw std::runtime_error("could not write the property list");
    std::string out(xml, length);
    plist_to_xml_free(xml);
    return out;
}

} // namespace posix
