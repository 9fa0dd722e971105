#include "DynamicLibrary.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace fake {

void* OpenLibrary(const std::string& path) {
    return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
}

void* LibrarySymbol(void* library, const std::string& name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

bool CloseLibrary(void* library) {
    return FreeLibrary(static_cast<HMODULE>(library)) != 0;
}

bool LibraryIsLoaded(const std::string& path) {
    return GetModuleHandleA(path.c_str()) != nullptr;
}

} // namespace fake
