// Forms: a popup window with a caption, its nested loop, Enter and Escape, the keyboard focus
// across activations, its tooltip, and a new layout when its dots per inch change.
#include "os/win32/peers/Win32PeerBase.h"
#include "os/win32/peers/Win32Peers.h"

namespace os {

namespace {

using ui::TProperty;

BOOL AdjustForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) {
    using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = reinterpret_cast<AdjustFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
    if (adjust)
        return adjust(&rect, style, FALSE, exStyle, dpi);
    return ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

class Win32FormPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

    ::HWND ToolTip() {
        if (!toolTip_ && hwnd_)
            toolTip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                         WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                                         nullptr, ::GetModuleHandleA(nullptr), nullptr);
        return toolTip_;
    }

    void PopHint() {
        if (toolTip_)
            ::SendMessageA(toolTip_, TTM_POP, 0, 0);
    }

    void Rescale() override {
        if (!hwnd_)
            return;
        dpi_ = WindowDpi(hwnd_);
        UpdateFont();
        PlaceWindow();
    }

protected:
    bool TakesFocus() const override { return false; }

    CreateArgs Args() override {
        CreateArgs args;
        args.Style = WS_POPUP | WS_CLIPCHILDREN | Styles();
        args.ExStyle = WS_EX_CONTROLPARENT | ExStyles();
        args.Text = view_.Caption();
        return args;
    }

    void Created() override { dpi_ = WindowDpi(hwnd_); }

    DWORD Styles() const {
        DWORD style = 0;
        const ui::TBorderStyle border = view_.FormBorderStyle();
        if (border != ui::TBorderStyle::bsNone)
            style |= WS_CAPTION;
        if (border == ui::TBorderStyle::bsSizeable || border == ui::TBorderStyle::bsSizeToolWin)
            style |= WS_THICKFRAME;
        const ui::TBorderIcons icons = view_.BorderIcons();
        if (icons & ui::biSystemMenu)
            style |= WS_SYSMENU;
        if (border != ui::TBorderStyle::bsDialog) {
            if (icons & ui::biMinimize)
                style |= WS_MINIMIZEBOX;
            if (icons & ui::biMaximize)
                style |= WS_MAXIMIZEBOX;
        }
        return style;
    }

    DWORD ExStyles() const {
        switch (view_.FormBorderStyle()) {
        case ui::TBorderStyle::bsDialog:
            return WS_EX_DLGMODALFRAME;
        case ui::TBorderStyle::bsToolWindow:
        case ui::TBorderStyle::bsSizeToolWin:
            return WS_EX_TOOLWINDOW;
        default:
            return 0;
        }
    }

    // The client area is the design's, scaled; the frame is the system's at this scale.
    void PlaceWindow() override {
        RECT frame{0, 0, Px(view_.ClientWidth()), Px(view_.ClientHeight())};
        const auto style = static_cast<DWORD>(::GetWindowLongPtrA(hwnd_, GWL_STYLE));
        const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(hwnd_, GWL_EXSTYLE));
        AdjustForDpi(frame, style, exStyle, dpi_);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        if (view_.Position() == ui::TPosition::poDesigned) {
            const ui::TRect b = view_.Bounds();
            ::SetWindowPos(hwnd_, nullptr, Px(b.Left), Px(b.Top), width, height,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }

    void Center() {
        if (view_.Position() == ui::TPosition::poDesigned ||
            view_.Position() == ui::TPosition::poDefault)
            return;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (!::GetMonitorInfoA(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor))
            return;
        RECT r{};
        ::GetWindowRect(hwnd_, &r);
        const RECT& area = monitor.rcWork;
        const int x = area.left + ((area.right - area.left) - (r.right - r.left)) / 2;
        const int y = area.top + ((area.bottom - area.top) - (r.bottom - r.top)) / 2;
        ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void FocusFirst() {
        auto* active = dynamic_cast<Win32Peer*>(view_.ActiveControlPeer());
        if (active && active->Window() && ::IsWindowVisible(active->Window()) &&
            ::IsWindowEnabled(active->Window())) {
            ::SetFocus(active->Window());
            return;
        }
        if (::HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE))
            ::SetFocus(first);
    }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Parent:
        case TProperty::Hint:
        case TProperty::ShowHint:
            break; // a window of its own
        case TProperty::Visible:
            if (view_.Visible() && !::IsWindowVisible(hwnd_)) {
                PlaceWindow();
                Center();
                ::ShowWindow(hwnd_, SW_SHOW);
                ::SetForegroundWindow(hwnd_);
                FocusFirst();
            } else if (!view_.Visible()) {
                ::ShowWindow(hwnd_, SW_HIDE);
            }
            break;
        case TProperty::BorderStyle:
            ::SetWindowLongPtrA(hwnd_, GWL_STYLE,
                                static_cast<LONG_PTR>(WS_POPUP | WS_CLIPCHILDREN | Styles() |
                                                      (::IsWindowVisible(hwnd_) ? WS_VISIBLE : 0)));
            ::SetWindowLongPtrA(hwnd_, GWL_EXSTYLE,
                                static_cast<LONG_PTR>(WS_EX_CONTROLPARENT | ExStyles()));
            ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                               SWP_FRAMECHANGED);
            PlaceWindow();
            break;
        default:
            Win32Peer::Apply(property);
        }
    }

    // A button that Enter or Escape stands for: the focused push button for Enter, else the
    // form's default (or cancel) button; the forms of this program have neither.
    void PressFor(WORD command) {
        Win32Peer* button = nullptr;
        if (command == IDOK) {
            button = factory_.Find(::GetFocus());
            if (button && button->View().Kind() != ui::TPeerKind::Button)
                button = nullptr;
            if (!button)
                button = dynamic_cast<Win32Peer*>(view_.DefaultButtonPeer());
        } else {
            button = dynamic_cast<Win32Peer*>(view_.CancelButtonPeer());
        }
        if (button)
            button->Command(BN_CLICKED);
    }

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
        switch (message) {
        case WM_CLOSE:
            handled = true;
            User([this] { view_.CloseBox(); }); // the form hides itself if it closes
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                handled = true;
                PressFor(LOWORD(wParam));
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                ::HWND focus = ::GetFocus();
                lastFocus_ = focus && ::IsChild(hwnd_, focus) ? focus : nullptr;
            } else if (lastFocus_ && ::IsWindow(lastFocus_) && ::IsChild(hwnd_, lastFocus_)) {
                ::SetFocus(lastFocus_);
                handled = true;
            }
            return 0;
        case WM_DPICHANGED: {
            handled = true;
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            dpi_ = HIWORD(wParam);
            const std::vector<Win32Peer*> peers = factory_.PeersIn(hwnd_);
            for (Win32Peer* peer : peers)
                if (peer != this)
                    peer->Rescale();
            for (Win32Peer* peer : peers) // after their parents have moved
                if (peer != this)
                    peer->Reposition();
            UpdateFont();
            ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                           suggested->right - suggested->left, suggested->bottom - suggested->top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            PlaceWindow(); // the client area the design asks for at the new scale
            return 0;
        }
        default:
            return 0;
        }
    }

private:
    ::HWND toolTip_ = nullptr; // owned by the form's window, destroyed with it
    ::HWND lastFocus_ = nullptr;
};

} // namespace

std::unique_ptr<Win32Peer> MakeFormPeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32FormPeer>(factory, control);
}

::HWND FormToolTip(Win32Peer& formPeer) {
    auto* form = dynamic_cast<Win32FormPeer*>(&formPeer);
    return form ? form->ToolTip() : nullptr;
}

void CancelFormHints(Win32PeerFactory& factory) {
    for (Win32Peer* peer : factory.PeersIn(nullptr))
        if (auto* form = dynamic_cast<Win32FormPeer*>(peer))
            form->PopHint();
}

void RunFormLoop(Win32Peer& formPeer) {
    const auto life = formPeer.View().LifeToken();
    const ::HWND form = formPeer.Window();
    MSG message{};
    // Every window's messages are handled (the program's timers, the tray icon); keys go
    // through the dialog manager for Tab, the arrows and the accelerators (&OK).
    while (!life.expired() && formPeer.View().Visible() && ::IsWindow(form)) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(message.wParam)); // for the outer loop
            break;
        }
        if (got == -1)
            break;
        if (!::IsWindow(form) || !::IsDialogMessageA(form, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
}

} // namespace os
