#include "TestBundles.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>

namespace TestBundles {

namespace {
QByteArray plistEntry(const char *key, const QString &value)
{
    return QByteArrayLiteral("  <key>") + key + QByteArrayLiteral("</key><string>")
           + value.toHtmlEscaped().toUtf8() + QByteArrayLiteral("</string>\n");
}
} // namespace

QString make(const QString &folder, const QString &name, const QString &identifier,
             const QString &executable, const QString &version)
{
    const QString bundle = folder + QLatin1Char('/') + name + QStringLiteral(".app");
    QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS"));
    QByteArray plist = QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n");
    plist += plistEntry("CFBundleIdentifier", identifier);
    plist += plistEntry("CFBundleShortVersionString", version);
    plist += plistEntry("CFBundleName", name);
    if (!executable.isEmpty())
        plist += plistEntry("CFBundleExecutable", executable);
    plist += QByteArrayLiteral("</dict>\n</plist>\n");
    TestFiles::write(bundle + QStringLiteral("/Contents/Info.plist"), plist);
    return bundle;
}

QString copyProgram(const QString &bundle, const QString &executable, const QString &from)
{
    const QString path = bundle + QStringLiteral("/Contents/MacOS/") + executable;
    QFile::remove(path);
    QFile::copy(from, path);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

QString writeScript(const QString &bundle, const QString &executable, const QByteArray &body)
{
    const QString path = bundle + QStringLiteral("/Contents/MacOS/") + executable;
    TestFiles::write(path, QByteArrayLiteral("#!/bin/sh\n") + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace TestBundles
