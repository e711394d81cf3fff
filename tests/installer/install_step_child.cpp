// Runs one real install of Notes (download when a URL is given), or the start-up sweep, the way
// the Hub does, for tst_install_faults to kill at each step:
//   install_step_child install WORK VERSION [URL] | sweep WORK
// With VELTRANE_TEST_STOP_AT=copy or =exchange it stops itself (SIGSTOP) when the copy out of
// the image starts, or right after the app went into Applications; other steps stop in the tools.

#include "service/InstalledApps.h"
#include "service/MissingMenuEntries.h"
#include "service/UpdateInstaller.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
void stopAt(const char *step)
{
    if (qgetenv("VELTRANE_TEST_STOP_AT") == step)
        ::raise(SIGSTOP);
}

bool isApplicationsFolder(int fd)
{
    const QString folder = QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).canonicalFilePath();
    return !folder.isEmpty() && folder == QFileInfo(qEnvironmentVariable("VELTRANE_TEST_APPLICATIONS")).canonicalFilePath();
}
} // namespace

// Found before the C library's by every call in this program, the Hub's libraries included.
extern "C" ssize_t copy_file_range(int in, off64_t *inOffset, int out, off64_t *outOffset, size_t length,
                                   unsigned int flags)
{
    stopAt("copy");
    return ::syscall(SYS_copy_file_range, in, inOffset, out, outOffset, length, flags);
}

extern "C" int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned int flags) noexcept
{
    const int result = int(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, flags));
    if (result == 0 && isApplicationsFolder(toFolder))
        stopAt("exchange");
    return result;
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 3)
        return 2;
    const QString work = args[2];
    UpdateInstaller::Options options;
    options.locations.home = work + QStringLiteral("/home");
    options.locations.dataHome = work + QStringLiteral("/data");
    options.locations.systemApplications = work + QStringLiteral("/Applications");
    options.locations.tempDir = work + QStringLiteral("/tmp");
    options.locations.dataDirs = {};
    const QString tools = work + QStringLiteral("/tools/");
    options.tools = {tools + QStringLiteral("hdiutil"), tools + QStringLiteral("codesign"),
                     tools + QStringLiteral("spctl"), tools + QStringLiteral("xattr")};
    options.teamIdentifier = QStringLiteral("TESTTEAM01");
    options.extraCaFile = qEnvironmentVariable("VELTRANE_TEST_CA_FILE");
    qputenv("VELTRANE_TEST_APPLICATIONS", QFile::encodeName(options.locations.systemApplications));

    if (args[1] == QLatin1String("sweep")) {
        QCoro::waitFor(UpdateInstaller::sweepInstallLeftovers(options));
        QCoro::waitFor(UpdateInstaller::sweepDownloadLeftovers(options.locations));
        const InstalledApps installedApps(options.locations);
        registerMissingEntries(options.locations, installedApps.scan({QStringLiteral("com.example.notes")}));
        return 0;
    }
    CatalogApp notes;
    notes.id = QStringLiteral("notes");
    notes.version = args.value(3);
    notes.bundleID = QStringLiteral("com.example.notes");
    if (args.size() > 4)
        notes.downloadURL = QUrl(args[4]);
    UpdateInstaller installer(options);
    auto image = QCoro::waitFor(installer.download(notes, {}));
    const auto installed = image.ok() ? QCoro::waitFor(installer.install(notes, image.value(), {})) : image;
    if (!installed.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(installed.failure().description()));
        return 1;
    }
    return 0;
}
