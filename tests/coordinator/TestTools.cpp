#include "TestTools.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>

namespace TestTools {

namespace {
QString writeScript(const QString &folder, const QString &name, const QByteArray &body)
{
    const QString path = folder + QLatin1Char('/') + name;
    TestFiles::write(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}
} // namespace

UpdateInstaller::Tools write(const QString &folder, const QString &teamIdentifier)
{
    QDir().mkpath(folder);
    UpdateInstaller::Tools tools;
    tools.hdiutil = writeScript(folder, QStringLiteral("hdiutil"), R"(
case "$1" in
attach)
    mount_point=$(head -n 1 "$2")
    cat <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>system-entities</key><array>
<dict><key>content-hint</key><string>Linux</string></dict>
<dict><key>mount-point</key><string>$mount_point</string></dict>
</array></dict></plist>
PLIST
    ;;
detach) ;;
*) echo "unexpected: $*"; exit 2 ;;
esac
)");
    tools.codesign = writeScript(folder, QStringLiteral("codesign"),
                                 "[ \"$1\" = -dv ] && echo \"TeamIdentifier=" + teamIdentifier.toUtf8()
                                     + "\" >&2\nexit 0\n");
    tools.spctl = writeScript(folder, QStringLiteral("spctl"), "exit 0\n");
    tools.xattr = writeScript(folder, QStringLiteral("xattr"), "exit 0\n");
    return tools;
}

QByteArray imageContent(const QString &mountPoint, qint64 size)
{
    QByteArray content = mountPoint.toUtf8() + '\n';
    if (content.size() < size)
        content.append(QByteArray(size - content.size(), 'x'));
    return content;
}

} // namespace TestTools
