#include "os/win32/Win32HotKeys.h"

#include "os/win32/Win32Windows.h"

namespace os {

ATOM Win32HotKeys::GlobalAddAtom(const std::string& name) {
    return ::GlobalAddAtomA(name.c_str());
}

bool Win32HotKeys::RegisterHotKey(os::HWND window, int id, UINT modifiers, UINT virtualKey) {
    return ::RegisterHotKey(reinterpret_cast<::HWND>(window), id, modifiers, virtualKey) != 0;
}

bool Win32HotKeys::UnregisterHotKey(os::HWND window, int id) {
    return ::UnregisterHotKey(reinterpret_cast<::HWND>(window), id) != 0;
}

} // namespace os
