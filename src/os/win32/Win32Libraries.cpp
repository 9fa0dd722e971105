#include "os/win32/Win32Libraries.h"

#include "os/win32/Win32Windows.h"

namespace os {

HMODULE Win32Libraries::LoadLibrary(const std::string& name) {
    const ::HMODULE module = ::LoadLibraryA(name.c_str());
    lastError_ = module != nullptr ? ERROR_SUCCESS : ::GetLastError();
    return reinterpret_cast<HMODULE>(module);
}

void* Win32Libraries::GetProcAddress(os::HMODULE module, const std::string& name) {
    const FARPROC proc = ::GetProcAddress(reinterpret_cast<::HMODULE>(module), name.c_str());
    lastError_ = proc != nullptr ? ERROR_SUCCESS : ::GetLastError();
    return reinterpret_cast<void*>(proc);
}

bool Win32Libraries::FreeLibrary(os::HMODULE module) {
    const bool freed = ::FreeLibrary(reinterpret_cast<::HMODULE>(module)) != 0;
    lastError_ = freed ? ERROR_SUCCESS : ::GetLastError();
    return freed;
}

DWORD Win32Libraries::GetLastError() {
    return lastError_;
}

std::string Win32Libraries::SysErrorMessage(DWORD code) {
    return Win32ErrorText(code);
}

} // namespace os
