// System-wide hot keys and the global atom table.
#pragma once

#include "os/Types.h"

#include <string>

namespace os {

inline constexpr UINT MOD_ALT = 0x1;
inline constexpr UINT MOD_CONTROL = 0x2;
inline constexpr UINT MOD_SHIFT = 0x4;

class HotKeys {
public:
    virtual ~HotKeys() = default;
    virtual ATOM GlobalAddAtom(const std::string& name) = 0;
    // A press sends WM_HOTKEY (wParam = id) to the window. False when another program holds it.
    virtual bool RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey) = 0;
    virtual bool UnregisterHotKey(HWND window, int id) = 0;
};

} // namespace os
