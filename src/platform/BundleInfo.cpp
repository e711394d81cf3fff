#include "platform/BundleInfo.h"

#include "posix/InfoPlist.h"

#include <QFile>

namespace {

std::optional<QString> text(const std::optional<std::string> &value)
{
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value->data(), qsizetype(value->size()));
}

} // namespace

QString BundleInfo::infoPlistPath(const QString &bundlePath)
{
    return bundlePath + QStringLiteral("/Contents/Info.plist");
}

std::optional<BundleInfo> BundleInfo::read(const QString &bundlePath)
{
    const auto plist = posix::InfoPlist::read(QFile::encodeName(infoPlistPath(bundlePath)).toStdString());
    if (!plist)
        return std::nullopt;
    BundleInfo info;
    info.identifier = text(plist->identifier);
    info.shortVersion = text(plist->shortVersion);
    info.name = text(plist->displayName);
    if (!info.name || info.name->isEmpty())
        info.name = text(plist->name);
    info.executable = text(plist->executable);
    info.iconFile = text(plist->iconFile);
    return info;
}
