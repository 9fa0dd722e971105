#include "DynamicLibrary.h"

#include <dlfcn.h>

namespace fake {

void* OpenLibrary(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* LibrarySymbol(void* library, const std::string& name) {
    return dlsym(library, name.c_str());
}

bool CloseLibrary(void* library) {
    return dlclose(library) == 0;
}

bool LibraryIsLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

} // namespace fake
