// POSIX shared objects.
#include <dlfcn.h>

#include "platform/libraries.h"

namespace platform {

LibraryHandle loadLibrary(const std::string& path) {
    return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* findExport(LibraryHandle library, const char* name) {
    return library ? ::dlsym(library, name) : nullptr;
}

void unloadLibrary(LibraryHandle library) {
    if (library) ::dlclose(library);
}

}  // namespace platform
