#include "HookEvents.h"

#include <algorithm>

namespace hook {

ScanCode ScanCodeFromX(unsigned keycode) {
    if (keycode < 8)
        return {};
    unsigned key = keycode - 8;
    // The main block, function keys and keypad share their numbers with scan-code set 1.
    if (key > 0 && key <= 0x58)
        return {key, false};
    // Keys that set 1 reaches through the 0xE0 prefix.
    switch (key) {
    case 96:
        return {0x1C, true}; // keypad Enter
    case 97:
        return {0x1D, true}; // right Ctrl
    case 98:
        return {0x35, true}; // keypad /
    case 99:
        return {0x37, true}; // Print Screen
    case 100:
        return {0x38, true}; // right Alt
    case 102:
        return {0x47, true}; // Home
    case 103:
        return {0x48, true}; // Up
    case 104:
        return {0x49, true}; // Page Up
    case 105:
        return {0x4B, true}; // Left
    case 106:
        return {0x4D, true}; // Right
    case 107:
        return {0x4F, true}; // End
    case 108:
        return {0x50, true}; // Down
    case 109:
        return {0x51, true}; // Page Down
    case 110:
        return {0x52, true}; // Insert
    case 111:
        return {0x53, true}; // Delete
    case 119:
        return {0x45, false}; // Pause
    case 125:
        return {0x5B, true}; // left Super
    case 126:
        return {0x5C, true}; // right Super
    case 127:
        return {0x5D, true}; // Menu
    default:
        return {};
    }
}

std::uint32_t KeystrokeFlags(unsigned repeatCount, ScanCode scan, bool altDown, bool wasDown,
                             bool released) {
    std::uint32_t flags = std::min(repeatCount, 0xFFFFu);
    flags |= (scan.Code & 0xFFu) << 16;
    if (scan.Extended)
        flags |= 1u << 24;
    if (altDown)
        flags |= 1u << 29;
    if (wasDown)
        flags |= 1u << 30;
    if (released)
        flags |= 1u << 31;
    return flags;
}

int MouseButtonCode(unsigned xButton, bool released) {
    int button;
    switch (xButton) {
    case 1:
        button = 0;
        break; // left
    case 3:
        button = 1;
        break; // right
    case 2:
        button = 2;
        break; // middle
    default:
        return released ? -1 : 0;
    }
    return button * 3 + (released ? 1 : 0) + 1;
}

std::uint32_t PackPoint(long x, long y) {
    auto clamp = [](long v) { return static_cast<std::uint32_t>(std::clamp(v, 0L, 65535L)); };
    return clamp(x) | clamp(y) << 16;
}

} // namespace hook
