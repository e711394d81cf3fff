#include "SmallDisk.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <sys/mount.h>

SmallDisk::SmallDisk(const QString &folder, const QByteArray &options) : m_folder(QFile::encodeName(folder))
{
    QDir().mkpath(folder);
    m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(m_folder.constData(), MNT_DETACH);
}

bool SmallDisk::fill(qint64 room)
{
    QFile filler(QFile::decodeName(m_folder) + QStringLiteral("/.filler"));
    if (!filler.open(QIODevice::WriteOnly))
        return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();
    return filler.resize(std::max<qint64>(0, filler.size() - room));
}
