#pragma once

#include <dlfcn.h>

// Libraries opened when first needed rather than with the program (libcurl, libcrypto), and
// never closed: they keep global and per-thread state.
namespace DynamicLibrary {

// The library by its soname, or null (logged) when it cannot be opened.
void *open(const char *soname);

// Sets *function to the library's symbol `name`; false when there is none.
template<typename Function>
bool resolve(void *library, const char *name, Function *function)
{
    *function = reinterpret_cast<Function>(::dlsym(library, name));
    return *function != nullptr;
}

} // namespace DynamicLibrary
