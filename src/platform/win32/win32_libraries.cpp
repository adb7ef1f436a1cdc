// Win32 dynamic-link libraries.
#include <windows.h>

#include "platform/libraries.h"
#include "platform/win32/win32_util.h"

namespace platform {

LibraryHandle loadLibrary(const std::string& path) {
    // No "cannot find DLL" boxes for a broken plug-in: failing quietly is what the caller wants.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryW(win32::filePath(path).c_str());
    SetErrorMode(previous);
    return reinterpret_cast<LibraryHandle>(module);
}

void* findExport(LibraryHandle library, const char* name) {
    if (!library) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unloadLibrary(LibraryHandle library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace platform
