// Dynamic libraries (plug-ins): load, look up an export, unload.
#pragma once

#include <string>

namespace platform {

#ifdef _WIN32
inline constexpr const char* kLibraryPattern = "*.DLL";
#else
inline constexpr const char* kLibraryPattern = "*.so";
#endif

using LibraryHandle = void*;
LibraryHandle loadLibrary(const std::string& path);  // nullptr on failure
void* findExport(LibraryHandle library, const char* name);
void unloadLibrary(LibraryHandle library);

}  // namespace platform
