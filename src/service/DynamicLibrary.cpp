#include "service/DynamicLibrary.h"

#include "service/UpdateInstallerLog.h"

void *DynamicLibrary::open(const char *soname)
{
    void *library = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        qCWarning(lcUpdate, "cannot open %s: %s", soname, ::dlerror());
    return library;
}
