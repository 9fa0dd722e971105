// The system's own dynamic loader, for the fake platform's libraries and the tests that load a
// test library for real. One realisation per system (posix/, win32/), chosen by the build.
#pragma once

#include <string>

namespace fake {

// A handle of the loaded library, or nullptr.
void* OpenLibrary(const std::string& path);
void* LibrarySymbol(void* library, const std::string& name);
// False when the system refuses.
bool CloseLibrary(void* library);
// True while the library at that path is loaded into the process; loads nothing.
bool LibraryIsLoaded(const std::string& path);

} // namespace fake
