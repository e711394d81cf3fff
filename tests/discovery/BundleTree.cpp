#include "BundleTree.h"
#include "TestFiles.h"

#include <QDir>

#include <plist/plist.h>

namespace {

QByteArray xmlPlist(const QString &bundleID, const std::optional<QString> &version, const QString &executable)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                     "<plist version=\"1.0\">\n<dict>\n";
    xml += "  <key>CFBundleIdentifier</key><string>" + bundleID.toHtmlEscaped().toUtf8() + "</string>\n";
    if (version)
        xml += "  <key>CFBundleShortVersionString</key><string>" + version->toHtmlEscaped().toUtf8() + "</string>\n";
    xml += "  <key>CFBundleExecutable</key><string>" + executable.toHtmlEscaped().toUtf8() + "</string>\n";
    xml += "</dict>\n</plist>\n";
    return xml;
}

QByteArray binaryPlist(const QString &bundleID, const std::optional<QString> &version, const QString &executable)
{
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "CFBundleIdentifier", plist_new_string(bundleID.toUtf8().constData()));
    if (version)
        plist_dict_set_item(dict, "CFBundleShortVersionString", plist_new_string(version->toUtf8().constData()));
    plist_dict_set_item(dict, "CFBundleExecutable", plist_new_string(executable.toUtf8().constData()));
    char *bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &bytes, &length);
    const QByteArray out(bytes, qsizetype(length));
    plist_to_bin_free(bytes);
    plist_free(dict);
    return out;
}

} // namespace

BundleTree::BundleTree()
{
    const QString root = m_dir.path();
    m_locations.home = root + QStringLiteral("/home");
    m_locations.dataHome = m_locations.home + QStringLiteral("/.local/share");
    m_locations.dataDirs = {root + QStringLiteral("/usr/local/share"), root + QStringLiteral("/usr/share")};
    m_locations.systemApplications = root + QStringLiteral("/Applications");
    m_locations.tempDir = root + QStringLiteral("/tmp");
    for (const QString &folder : {m_locations.home, m_locations.systemApplications, m_locations.tempDir})
        QDir().mkpath(folder);
}

QString BundleTree::path(const QString &relative) const { return m_dir.path() + QLatin1Char('/') + relative; }

QString BundleTree::addBundle(const QString &relative, const QString &bundleID, const std::optional<QString> &version,
                              Format format, const QString &executable)
{
    writeFile(relative + QStringLiteral("/Contents/Info.plist"),
              format == Format::Xml ? xmlPlist(bundleID, version, executable) : binaryPlist(bundleID, version, executable));
    return path(relative);
}

void BundleTree::writeFile(const QString &relative, const QByteArray &content) const
{
    if (!TestFiles::write(path(relative), content))
        qFatal("cannot write %s", qPrintable(path(relative)));
}
