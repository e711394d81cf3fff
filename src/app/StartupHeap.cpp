#include "app/StartupHeap.h"

#include <QByteArray>
#include <QFile>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels refuse it, and nothing is faulted in
#endif

namespace StartupHeap {

namespace {

// What the window's thread allocates on the heap up to the catalogue's first frame (about
// 4 MiB with the built-in catalogue), so its pages are used in any case.
constexpr int reserveBytes = 4 << 20;
// glibc's own reserve.
constexpr int defaultReserveBytes = 128 << 10;

// The end of the heap, from the kernel's list of the program's mappings: 0 when there is none.
std::uintptr_t heapEnd()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return 0;
    // Read whole: the kernel writes the list as it is read.
    const QByteArray all = maps.readAll();
    for (const QByteArray &line : all.split('\n')) {
        if (!line.endsWith("[heap]"))
            continue;
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ', dash);
        bool ok = false;
        const std::uintptr_t end = line.mid(dash + 1, space - dash - 1).toULongLong(&ok, 16);
        return ok ? end : 0;
    }
    return 0;
}

} // namespace

void reserve()
{
    mallopt(M_TOP_PAD, reserveBytes);
}

void prefault()
{
    // The free space at the heap's top: the reserve, less what has been allocated from it. The
    // window's thread may allocate meanwhile: faulting in a page it has taken changes nothing.
    const auto pageSize = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const std::uintptr_t spare = mallinfo2().keepcost & ~(pageSize - 1);
    const std::uintptr_t end = heapEnd();
    if (end == 0 || spare == 0)
        return;
    madvise(reinterpret_cast<void *>(end - spare), spare, MADV_POPULATE_WRITE);
}

void release()
{
    mallopt(M_TOP_PAD, defaultReserveBytes);
    malloc_trim(0);
}

} // namespace StartupHeap
