#include "platform/BundleInfo.h"

#include <QFile>

#include <plist/plist.h>

#include <memory>

namespace {

// Far above any real Info.plist; keeps a hostile file from being read whole into memory and
// fits the parser's 32-bit length.
constexpr qint64 maxInfoPlistBytes = 8 * 1024 * 1024;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

std::optional<QByteArray> readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.read(maxInfoPlistBytes + 1);
    if (data.size() > maxInfoPlistBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

std::optional<QString> stringValue(plist_t dict, const char *key)
{
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    uint64_t length = 0;
    const char *text = plist_get_string_ptr(node, &length);
    if (!text)
        return std::nullopt;
    return QString::fromUtf8(text, qsizetype(length));
}

} // namespace

QString BundleInfo::infoPlistPath(const QString &bundlePath)
{
    return bundlePath + QStringLiteral("/Contents/Info.plist");
}

std::optional<BundleInfo> BundleInfo::read(const QString &bundlePath)
{
    const std::optional<QByteArray> data = readSmallFile(infoPlistPath(bundlePath));
    if (!data || data->isEmpty())
        return std::nullopt;

    plist_t parsed = nullptr;
    plist_from_memory(data->constData(), uint32_t(data->size()), &parsed);
    const PlistPtr root(parsed);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;

    BundleInfo info;
    info.identifier = stringValue(root.get(), "CFBundleIdentifier");
    info.shortVersion = stringValue(root.get(), "CFBundleShortVersionString");
    info.name = stringValue(root.get(), "CFBundleDisplayName");
    if (!info.name || info.name->isEmpty())
        info.name = stringValue(root.get(), "CFBundleName");
    info.executable = stringValue(root.get(), "CFBundleExecutable");
    info.iconFile = stringValue(root.get(), "CFBundleIconFile");
    return info;
}
