#include "BundleTree.h"
#include "TestFiles.h"

#include <QDir>

#include <plist/plist.h>

namespace {

// An Info.plist with these keys, written by libplist in either of its formats.
QByteArray infoPlist(const QString &bundleID, const std::optional<QString> &version, const QString &executable,
                     BundleTree::Format format)
{
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "CFBundleIdentifier", plist_new_string(bundleID.toUtf8().constData()));
    if (version)
        plist_dict_set_item(dict, "CFBundleShortVersionString", plist_new_string(version->toUtf8().constData()));
    plist_dict_set_item(dict, "CFBundleExecutable", plist_new_string(executable.toUtf8().constData()));
    char *bytes = nullptr;
    uint32_t length = 0;
    if (format == BundleTree::Format::Xml)
        plist_to_xml(dict, &bytes, &length);
    else
        plist_to_bin(dict, &bytes, &length);
    const QByteArray out(bytes, qsizetype(length));
    if (format == BundleTree::Format::Xml)
        plist_to_xml_free(bytes);
    else
        plist_to_bin_free(bytes);
    plist_free(dict);
    return out;
}

} // namespace

BundleTree::BundleTree()
{
    const QString root = m_dir.path();
    m_locations.home = root + "/home";
    m_locations.dataHome = m_locations.home + "/.local/share";
    m_locations.dataDirs = {root + "/usr/local/share", root + "/usr/share"};
    m_locations.systemApplications = root + "/Applications";
    m_locations.tempDir = root + "/tmp";
    for (const QString &folder : {m_locations.home, m_locations.systemApplications, m_locations.tempDir})
        QDir().mkpath(folder);
}

QString BundleTree::path(const QString &relative) const { return m_dir.path() + '/' + relative; }

QString BundleTree::addBundle(const QString &relative, const QString &bundleID, const std::optional<QString> &version,
                              Format format, const QString &executable)
{
    writeFile(relative + "/Contents/Info.plist", infoPlist(bundleID, version, executable, format));
    return path(relative);
}

void BundleTree::writeFile(const QString &relative, const QByteArray &content) const
{
    if (!TestFiles::write(path(relative), content))
        qFatal("cannot write %s", qPrintable(path(relative)));
}
