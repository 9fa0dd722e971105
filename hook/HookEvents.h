// How input events become the messages receivers get: pure arithmetic, kept apart from the
// event source so it can be checked without a display.
#pragma once

#include <cstdint>

namespace hook {

inline constexpr unsigned WM_USER = 0x0400;

// A keyboard scan code as the keystroke flags carry it (set 1, with the extended-key bit).
struct ScanCode {
    unsigned Code = 0;
    bool Extended = false;
};

// The scan code of an X keycode on the evdev layout (keycode = kernel key number + 8);
// {0, false} for keys that have none.
ScanCode ScanCodeFromX(unsigned keycode);

// lParam of a keystroke: bits 0-15 repeat count, 16-23 scan code, 24 extended key, 29 Alt
// down, 30 key was down before, 31 key being released.
std::uint32_t KeystrokeFlags(unsigned repeatCount, ScanCode scan, bool altDown, bool wasDown,
                             bool released);

// The mouse event code of an X button press or release: left 1, middle 2 and right 3 give
// button * 3 + movement + 1 (movement 0 down, 1 up). Any other button (the wheel, side
// buttons) gives 0 for a press, so it still counts as the mouse being used, and -1 for a
// release, which is not reported.
int MouseButtonCode(unsigned xButton, bool released);

// The mouse event code of a Windows mouse message (WM_MOUSEMOVE 0x200 to WM_MOUSEHWHEEL
// 0x20E): the move and the three buttons' down, up and double-click messages are numbered in
// the order of the codes, so code = message - WM_MOUSEMOVE. The wheels and the side buttons'
// presses give 0, since they still mean the mouse was used; a side button's release gives -1
// (not reported), as does anything that is not a mouse message.
constexpr int MouseCodeFromMessage(unsigned message) {
    constexpr unsigned MouseMove = 0x200;
    if (message >= MouseMove && message <= MouseMove + 9)
        return static_cast<int>(message - MouseMove);
    switch (message) {
    case 0x20A: // WM_MOUSEWHEEL
    case 0x20B: // WM_XBUTTONDOWN
    case 0x20D: // WM_XBUTTONDBLCLK
    case 0x20E: // WM_MOUSEHWHEEL
        return 0;
    default:
        return -1;
    }
}

// wParam of a mouse event: x in the low 16 bits, y in the high 16, each clamped to 0..65535.
std::uint32_t PackPoint(long x, long y);

} // namespace hook
