// What the audio libraries, loaded on demand, share: finding their functions, the loader's
// message on failure, and the one library that must never be unloaded again.
#pragma once

#include <dlfcn.h>

#include <string>

namespace os {

// Fills function with the symbol's address; the first name not found goes to missing.
template <typename Function>
bool FindSymbol(void* library, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (function == nullptr && missing.empty())
        missing = name;
    return function != nullptr;
}

// The loader's text for the last failure, or fallback when it has none.
inline std::string LoaderError(const char* fallback) {
    const char* text = ::dlerror();
    return text != nullptr ? text : fallback;
}

// The synthesiser's patch library registers types with GLib's object system, which can never
// forget them: once loaded it must stay, or the next load finds its types taken.
inline void KeepPatchLibraryLoaded() {
    if (void* library = ::dlopen("libinstpatch-1.0.so.2", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
        ::dlclose(library); // stays all the same
}

} // namespace os
