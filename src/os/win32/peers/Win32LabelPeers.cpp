// Controls that only show something: labels (the system's static text, which also answers a
// click and the pointer, for the About box's link) and pictures from the program's resources.
#include "os/win32/peers/Win32PeerBase.h"
#include "os/win32/peers/Win32Peers.h"

namespace os {

namespace {

using ui::TProperty;

// The parent's brush: these controls have no background of their own.
::HBRUSH ParentBackground(const ui::TPeerControl& view, Win32PeerFactory& factory) {
    if (auto* parent = dynamic_cast<Win32Peer*>(view.ParentPeer()))
        return parent->Background();
    return factory.Brush(ui::clBtnFace.Value);
}

class Win32LabelPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

    ::HBRUSH Background() override { return ParentBackground(view_, factory_); }

    ::HBRUSH ControlColor(::HDC dc) override {
        ::SetTextColor(dc, ColorOf(view_.Font().Color()));
        ::SetBkMode(dc, TRANSPARENT);
        return Background();
    }

    void Command(WORD code) override {
        if (code == STN_CLICKED)
            User([this] { view_.Click(); });
    }

protected:
    bool TakesFocus() const override { return false; }

    DWORD AlignmentStyle() const {
        switch (view_.Alignment()) {
        case ui::TAlignment::taCenter:
            return SS_CENTER;
        case ui::TAlignment::taRightJustify:
            return SS_RIGHT;
        default:
            return SS_LEFTNOWORDWRAP;
        }
    }

    CreateArgs Args() override {
        CreateArgs args;
        args.ClassName = "STATIC";
        args.Style = SS_NOTIFY | AlignmentStyle();
        args.Text = view_.Caption();
        return args;
    }

    void Apply(TProperty property) override {
        if (property == TProperty::Alignment) {
            LONG_PTR style = ::GetWindowLongPtrA(hwnd_, GWL_STYLE) & ~LONG_PTR{SS_TYPEMASK};
            ::SetWindowLongPtrA(hwnd_, GWL_STYLE, style | static_cast<LONG_PTR>(AlignmentStyle()));
            ::InvalidateRect(hwnd_, nullptr, TRUE);
        } else {
            Win32Peer::Apply(property);
        }
    }
};

class Win32ImagePeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

    ::HBRUSH Background() override {
        return view_.Transparent() ? ParentBackground(view_, factory_) : Win32Peer::Background();
    }

protected:
    bool TakesFocus() const override { return false; }

    CreateArgs Args() override { return {}; }

    void Apply(TProperty property) override {
        if (property == TProperty::Picture || property == TProperty::Transparent)
            ::InvalidateRect(hwnd_, nullptr, TRUE);
        else
            Win32Peer::Apply(property);
    }

    // The picture at the window's scale: at its own size scaled, centred when asked, or
    // stretched over the whole control.
    void Paint(::HDC dc, const RECT& client) override {
        ::HBITMAP bitmap = factory_.Bitmap(view_.Picture());
        BITMAP info{};
        if (!bitmap || !::GetObjectA(bitmap, sizeof(info), &info))
            return;
        int width = Px(info.bmWidth);
        int height = Px(info.bmHeight);
        int x = 0;
        int y = 0;
        if (view_.Stretch()) {
            width = client.right;
            height = client.bottom;
        } else if (view_.Center()) {
            x = (client.right - width) / 2;
            y = (client.bottom - height) / 2;
        }
        ::HDC source = ::CreateCompatibleDC(dc);
        if (!source)
            return;
        ::HGDIOBJ old = ::SelectObject(source, bitmap);
        if (view_.Transparent()) {
            // The colour of the bottom-left pixel is the picture's background.
            const COLORREF background = ::GetPixel(source, 0, info.bmHeight - 1);
            ::GdiTransparentBlt(dc, x, y, width, height, source, 0, 0, info.bmWidth, info.bmHeight,
                                background);
        } else {
            ::SetStretchBltMode(dc, HALFTONE);
            ::SetBrushOrgEx(dc, 0, 0, nullptr);
            ::StretchBlt(dc, x, y, width, height, source, 0, 0, info.bmWidth, info.bmHeight,
                         SRCCOPY);
        }
        ::SelectObject(source, old);
        ::DeleteDC(source);
    }

    LRESULT OnMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam, bool& handled) override {
        if (message == WM_LBUTTONUP) {
            RECT client{};
            ::GetClientRect(hwnd_, &client);
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (::PtInRect(&client, at)) {
                handled = true;
                User([this] { view_.Click(); });
            }
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Win32Peer> MakeLabelPeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32LabelPeer>(factory, control);
}

std::unique_ptr<Win32Peer> MakeImagePeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32ImagePeer>(factory, control);
}

} // namespace os
