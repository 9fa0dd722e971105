// Text fields: single-line edits, memos (multi-line, optionally read-only, in the font's
// colour on the control's), and whole-number fields: an edit with an up-down control beside
// it. The text stays as typed: the control reads and corrects it. The arrows and the Up and
// Down keys step through the control; the wheel and Page Up/Down do not.
#include "os/win32/peers/Win32PeerBase.h"
#include "os/win32/peers/Win32Peers.h"

#include <algorithm>

namespace os {

namespace {

using ui::TProperty;

// The width of the up-down arrows beside a whole-number field, in design pixels.
constexpr int UpDownWidth = 17;

std::string WindowText(::HWND window) {
    const int length = ::GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = ::GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

class Win32EditPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

    ::HBRUSH ControlColor(::HDC dc) override {
        ::SetTextColor(dc, ColorOf(view_.Font().Color()));
        ::SetBkColor(dc, ColorOf(view_.Color()));
        return Background();
    }

    void Command(WORD code) override {
        if (code != EN_CHANGE || setting_)
            return;
        std::string typed = WindowText(hwnd_);
        User([this, &typed] { view_.SetText(typed); });
    }

    bool Notify(NMHDR& header, LRESULT& result) override {
        if (header.code != UDN_DELTAPOS || header.hwndFrom != upDown_)
            return false;
        const int delta = reinterpret_cast<NMUPDOWN&>(header).iDelta;
        result = TRUE; // the arrows keep no position of their own
        if (delta > 0)
            User([this] { view_.StepUp(); });
        else if (delta < 0)
            User([this] { view_.StepDown(); });
        return true;
    }

protected:
    bool Spin() const { return view_.Kind() == ui::TPeerKind::SpinEdit; }
    bool Memo() const { return view_.Kind() == ui::TPeerKind::Memo; }

    CreateArgs Args() override {
        CreateArgs args;
        args.ClassName = "EDIT";
        if (Memo()) {
            args.Style = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
            const ui::TScrollStyle bars = view_.ScrollBars();
            if (bars == ui::TScrollStyle::ssVertical || bars == ui::TScrollStyle::ssBoth)
                args.Style |= WS_VSCROLL;
            if (bars == ui::TScrollStyle::ssHorizontal || bars == ui::TScrollStyle::ssBoth)
                args.Style |= WS_HSCROLL;
            if (!view_.WordWrap())
                args.Style |= ES_AUTOHSCROLL;
        } else {
            args.Style = ES_AUTOHSCROLL;
        }
        if (view_.ReadOnly())
            args.Style |= ES_READONLY;
        if (view_.BorderStyle() != ui::TBorderStyle::bsNone)
            args.ExStyle = WS_EX_CLIENTEDGE;
        args.Text = view_.Text();
        return args;
    }

    void Created() override {
        if (!Spin())
            return;
        ::HWND upDown = ::CreateWindowExA(
            0, UPDOWN_CLASSA, nullptr, WS_CHILD | WS_CLIPSIBLINGS | UDS_HOTTRACK, 0, 0, 0, 0,
            ::GetParent(hwnd_), reinterpret_cast<::HMENU>(static_cast<INT_PTR>(factory_.NextId())),
            ::GetModuleHandleA(nullptr), nullptr);
        if (!upDown)
            return; // the field still takes typed numbers and the arrow keys
        upDown_ = upDown;
        AddWindow(upDown_);
        ::SendMessageA(upDown_, UDM_SETRANGE32, 0, 100);
        ::SendMessageA(upDown_, UDM_SETPOS32, 0, 50);
    }

    void PlaceWindow() override {
        const ui::TRect b = view_.Bounds();
        const int x = Px(b.Left);
        const int y = Px(b.Top);
        const int width = Px(b.Right) - x;
        const int height = Px(b.Bottom) - y;
        const int arrows = upDown_ ? std::min(Px(UpDownWidth), width / 2) : 0;
        ::SetWindowPos(hwnd_, nullptr, x, y, width - arrows, height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (upDown_)
            ::SetWindowPos(upDown_, hwnd_, x + width - arrows, y, arrows, height, SWP_NOACTIVATE);
    }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Text: {
            const std::string text = view_.Text();
            if (WindowText(hwnd_) != text) {
                setting_ = true;
                ::SetWindowTextA(hwnd_, text.c_str());
                setting_ = false;
                if (Spin()) // a stepped number keeps the caret after it
                    ::SendMessageA(hwnd_, EM_SETSEL, text.size(), text.size());
            }
            break;
        }
        case TProperty::ReadOnly:
            ::SendMessageA(hwnd_, EM_SETREADONLY, view_.ReadOnly(), 0);
            break;
        case TProperty::Caption:
            break; // an edit shows its text
        case TProperty::Visible:
            Win32Peer::Apply(property);
            if (upDown_)
                ::ShowWindow(upDown_, view_.Visible() ? SW_SHOWNA : SW_HIDE);
            break;
        case TProperty::Enabled:
            Win32Peer::Apply(property);
            if (upDown_)
                ::EnableWindow(upDown_, view_.Enabled());
            break;
        case TProperty::Parent:
            Win32Peer::Apply(property);
            if (upDown_ && ::GetParent(upDown_) != ::GetParent(hwnd_)) {
                ::SetParent(upDown_, ::GetParent(hwnd_));
                PlaceWindow();
            }
            break;
        default:
            Win32Peer::Apply(property);
        }
    }

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, bool& handled) override {
        if (!Spin())
            return 0;
        switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_UP || wParam == VK_DOWN) {
                handled = true;
                if (wParam == VK_UP)
                    User([this] { view_.StepUp(); });
                else
                    User([this] { view_.StepDown(); });
            } else if (wParam == VK_PRIOR || wParam == VK_NEXT) {
                handled = true; // no paging through the range
            }
            return 0;
        case WM_MOUSEWHEEL:
            handled = true; // the wheel does not step the number
            return 0;
        default:
            return 0;
        }
    }

private:
    ::HWND upDown_ = nullptr;
};

} // namespace

std::unique_ptr<Win32Peer> MakeEditPeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32EditPeer>(factory, control);
}

} // namespace os
