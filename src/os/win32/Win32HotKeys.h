// System-wide hot keys and global atoms through Windows.
#pragma once

#include "os/Input.h"

namespace os {

class Win32HotKeys : public HotKeys {
public:
    ATOM GlobalAddAtom(const std::string& name) override;
    // False when another program holds the key (ERROR_HOTKEY_ALREADY_REGISTERED).
    bool RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey) override;
    bool UnregisterHotKey(HWND window, int id) override;
};

} // namespace os
