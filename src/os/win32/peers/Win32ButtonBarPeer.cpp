// A row of buttons that the control describes and the peer paints from the program's bitmaps
// (the media player): the presses, moves, releases and keys go back to the control, which
// says how each button looks.
#include "os/win32/peers/Win32PeerBase.h"
#include "os/win32/peers/Win32Peers.h"

namespace os {

namespace {

using ui::TProperty;

// The colour of the button bitmaps that stands for "no picture here".
constexpr COLORREF ButtonTransparent = RGB(128, 128, 0);

class Win32ButtonBarPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

protected:
    CreateArgs Args() override { return {}; }

    RECT Scaled(const os::TRect& r) const {
        return {Px(r.Left), Px(r.Top), Px(r.Right), Px(r.Bottom)};
    }

    void Paint(::HDC dc, const RECT& /*client*/) override {
        ui::TPaintedButtons* buttons = view_.PaintedButtons();
        if (!buttons)
            return;
        ::HDC source = ::CreateCompatibleDC(dc);
        for (const ui::TButtonFace& face : buttons->PaintedFaces()) {
            RECT r = Scaled(face.Rect);
            ::DrawFrameControl(dc, &r, DFC_BUTTON,
                               DFCS_BUTTONPUSH | (face.Pressed ? DFCS_PUSHED : 0));
            ::HBITMAP bitmap = factory_.Bitmap(face.Image);
            BITMAP info{};
            if (source && bitmap && ::GetObjectA(bitmap, sizeof(info), &info)) {
                ::HGDIOBJ old = ::SelectObject(source, bitmap);
                ::GdiTransparentBlt(dc, Px(face.ImageAt.X), Px(face.ImageAt.Y), Px(info.bmWidth),
                                    Px(info.bmHeight), source, 0, 0, info.bmWidth, info.bmHeight,
                                    ButtonTransparent);
                ::SelectObject(source, old);
            }
            if (face.Focused && ::GetFocus() == hwnd_) {
                RECT focus = Scaled(face.FocusRect);
                ::DrawFocusRect(dc, &focus);
            }
        }
        if (source)
            ::DeleteDC(source);
    }

    void Apply(TProperty property) override {
        if (property == TProperty::Picture)
            ::InvalidateRect(hwnd_, nullptr, TRUE);
        else
            Win32Peer::Apply(property);
    }

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
        ui::TPaintedButtons* buttons = view_.PaintedButtons();
        if (!buttons)
            return 0;
        const int x = ToLogical(static_cast<short>(LOWORD(lParam)), dpi_);
        const int y = ToLogical(static_cast<short>(HIWORD(lParam)), dpi_);
        const ui::TShiftState shift = ShiftOf(wParam);
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            handled = true;
            if (::GetFocus() != hwnd_)
                ::SetFocus(hwnd_);
            if (User([&] { buttons->PaintedMouseDown(ui::TMouseButton::mbLeft, shift, x, y); }) &&
                buttons->PaintedCapture())
                ::SetCapture(hwnd_);
            return 0;
        case WM_MOUSEMOVE:
            // The common handler has told the control already; the bar follows the press.
            User([&] { buttons->PaintedMouseMove(shift, x, y); });
            return 0;
        case WM_LBUTTONUP:
            handled = true;
            if (User([&] { buttons->PaintedMouseUp(ui::TMouseButton::mbLeft, shift, x, y); }) &&
                !buttons->PaintedCapture() && ::GetCapture() == hwnd_)
                ::ReleaseCapture();
            return 0;
        case WM_KEYDOWN: {
            int key = static_cast<int>(wParam);
            if (key != VK_LEFT && key != VK_RIGHT && key != VK_SPACE)
                return 0;
            const ui::TShiftState keys = ShiftOf(0);
            User([&] { buttons->PaintedKeyDown(key, keys); });
            handled = key == 0;
            return 0;
        }
        case WM_GETDLGCODE:
            handled = true;
            return DLGC_WANTARROWS;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (hwnd_)
                ::InvalidateRect(hwnd_, nullptr, TRUE);
            return 0;
        default:
            return 0;
        }
    }
};

} // namespace

std::unique_ptr<Win32Peer> MakeButtonBarPeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32ButtonBarPeer>(factory, control);
}

} // namespace os
