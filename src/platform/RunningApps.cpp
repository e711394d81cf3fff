#include "platform/RunningApps.h"

#include "platform/BundleInfo.h"
#include "platform/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

// The program a process runs, from its /proc entry; nothing for kernel threads, processes
// that ended meanwhile and those of other users.
std::optional<QString> programOf(const QString &processFolder)
{
    char buffer[PATH_MAX];
    const QByteArray link = QFile::encodeName(processFolder + QStringLiteral("/exe"));
    const ssize_t length = ::readlink(link.constData(), buffer, sizeof buffer);
    if (length <= 0 || length == ssize_t(sizeof buffer))
        return std::nullopt;
    return QFile::decodeName(QByteArray(buffer, length));
}

// The script an interpreter runs: its first argument that is not an option, made absolute
// against the process's own working folder. Only what /proc says is used; the path itself is
// not looked up, so no link in it is followed.
std::optional<QString> scriptOf(const QString &processFolder)
{
    // Read for nearly every process of every scan, so plainly: the first few arguments are all
    // that is needed, and the whole line can be megabytes long.
    char line[2 * PATH_MAX];
    const FileDescriptor fd(::open(QFile::encodeName(processFolder + QStringLiteral("/cmdline")).constData(),
                                   O_RDONLY | O_CLOEXEC));
    const ssize_t size = fd.valid() ? ::read(fd.get(), line, sizeof line) : -1;
    if (size <= 0)
        return std::nullopt;
    const QList<QByteArray> arguments = QByteArray::fromRawData(line, size).split('\0');
    if (arguments.size() < 2)
        return std::nullopt;
    const auto script = std::find_if(arguments.begin() + 1, arguments.end(), [](const QByteArray &a) {
        return !a.isEmpty() && !a.startsWith('-');
    });
    if (script == arguments.end())
        return std::nullopt;
    const QString path = QFile::decodeName(*script);
    if (QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    char buffer[PATH_MAX];
    const QByteArray link = QFile::encodeName(processFolder + QStringLiteral("/cwd"));
    const ssize_t length = ::readlink(link.constData(), buffer, sizeof buffer);
    if (length <= 0 || length == ssize_t(sizeof buffer))
        return std::nullopt;
    const QString folder = QFile::decodeName(QByteArray(buffer, length));
    if (!folder.startsWith(QLatin1Char('/')) || folder.endsWith(QLatin1String(" (deleted)")))
        return std::nullopt;
    return QDir::cleanPath(folder + QLatin1Char('/') + path);
}

// The bundle a process runs from: the one that holds its program or, for an interpreter
// (a bundle's executable may be a script), the one whose Contents/MacOS holds its script. A
// program that merely opened a file of a bundle (a viewer, an editor on Info.plist) does not
// count.
QString bundleOf(const QString &processFolder)
{
    const auto program = programOf(processFolder);
    if (!program)
        return {};
    const QString bundle = RunningApps::enclosingBundle(*program);
    if (!bundle.isEmpty())
        return bundle;
    const auto script = scriptOf(processFolder);
    if (!script)
        return {};
    const QString scriptBundle = RunningApps::enclosingBundle(*script);
    const bool inPrograms = !scriptBundle.isEmpty()
        && script->startsWith(scriptBundle + QStringLiteral("/Contents/MacOS/"));
    return inPrograms ? scriptBundle : QString();
}

bool isProcessID(const QString &name)
{
    return !name.isEmpty() && std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.isDigit(); });
}

} // namespace

RunningApps::RunningApps(QString procRoot) : m_procRoot(std::move(procRoot)) {}

QString RunningApps::enclosingBundle(const QString &executablePath)
{
    QString path = executablePath;
    // The kernel marks a program whose file was deleted or replaced after it started.
    const QLatin1String deleted(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());

    const QStringList parts = path.split(QLatin1Char('/'));
    // The program itself is never the bundle, so its own name is not looked at.
    for (qsizetype i = parts.size() - 2; i > 0; --i) {
        const QString &part = parts.at(i);
        if (part.size() > 4 && part.endsWith(QLatin1String(".app")))
            return parts.mid(0, i + 1).join(QLatin1Char('/'));
    }
    return {};
}

QList<qint64> RunningApps::processes(const QString &bundleID) const
{
    QList<qint64> found;
    if (bundleID.isEmpty())
        return found;

    // Several processes usually share a bundle: read each Info.plist once per scan.
    QHash<QString, std::optional<QString>> identifiers;
    const QStringList entries = QDir(m_procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (!isProcessID(entry))
            continue;
        const QString bundle = bundleOf(m_procRoot + QLatin1Char('/') + entry);
        if (bundle.isEmpty())
            continue;
        auto known = identifiers.find(bundle);
        if (known == identifiers.end()) {
            const auto info = BundleInfo::read(bundle);
            known = identifiers.insert(bundle, info ? info->identifier : std::nullopt);
        }
        if (known.value() == bundleID)
            found.append(entry.toLongLong());
    }
    std::sort(found.begin(), found.end());
    return found;
}
