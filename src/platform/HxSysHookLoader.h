// The one hook library of the program, shared by every hook component whatever its HookDLL:
// loaded by the first component that activates, kept while any holds a reference.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// "AttachReceiver"(hook kind, receiver window, allow filtering): three 32-bit values in the
// Windows API calling convention. Window handles of the program fit in 32 bits.
#ifdef _WIN32
using TAttachReceiver = int(__stdcall*)(int kind, int window, int allowFiltering);
#else
using TAttachReceiver = std::int32_t (*)(std::int32_t kind, std::int32_t window,
                                         std::int32_t allowFiltering);
#endif

// The file extension of libraries on this system, with its dot.
#ifdef _WIN32
inline constexpr const char* HookLibraryExtension = ".dll";
#else
inline constexpr const char* HookLibraryExtension = ".so";
#endif

// Takes a reference to the library, loading it under `name` if it is not loaded yet. 0 on
// success, HXERR_MISSING_EXPORTS when an entry point is missing (the library is released
// again), or the system's positive error code when it cannot be loaded.
int LoadHookLibrary(const std::string& name);
// Gives back one reference; the last one unloads the library. Nothing when not loaded.
void ReleaseHookLibrary();

bool HookLibraryLoaded();
int HookLibraryRefCount();
// The library's "AttachReceiver"; nullptr while it is not loaded.
TAttachReceiver HookAttachReceiver();

// Called once at program end, while the platform still runs: warns when a hook component
// left the library loaded.
void CheckHookLibraryUnloaded();

} // namespace platform
