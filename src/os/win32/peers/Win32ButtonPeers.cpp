// Buttons: push buttons (the default one drawn as such), check boxes and radio buttons. The
// system's automatic check boxes and radio buttons answer the mouse and the keyboard; the
// control then decides, and the window shows what it decided.
#include "os/win32/peers/Win32PeerBase.h"
#include "os/win32/peers/Win32Peers.h"

namespace os {

namespace {

using ui::TProperty;

class Win32ButtonPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

    ::HBRUSH ControlColor(::HDC dc) override {
        ::SetTextColor(dc, ColorOf(view_.Font().Color()));
        ::SetBkMode(dc, TRANSPARENT);
        if (auto* parent = dynamic_cast<Win32Peer*>(view_.ParentPeer()))
            return parent->Background();
        return Background();
    }

    void Command(WORD code) override {
        if (code != BN_CLICKED || setting_)
            return;
        switch (view_.Kind()) {
        case ui::TPeerKind::CheckBox: {
            const bool shown = ::SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (shown != view_.Checked() && !User([this] { view_.Toggle(); }))
                return;
            ShowChecked();
            break;
        }
        case ui::TPeerKind::RadioButton: {
            const bool shown = ::SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (shown && !view_.Checked() && !User([this] { view_.Select(); }))
                return;
            ShowChecked();
            break;
        }
        default:
            User([this] { view_.Click(); });
            break;
        }
    }

protected:
    CreateArgs Args() override {
        CreateArgs args;
        args.ClassName = "BUTTON";
        switch (view_.Kind()) {
        case ui::TPeerKind::CheckBox:
            args.Style = BS_AUTOCHECKBOX;
            break;
        case ui::TPeerKind::RadioButton:
            args.Style = BS_AUTORADIOBUTTON;
            break;
        default:
            args.Style = view_.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            break;
        }
        args.Text = view_.Caption();
        return args;
    }

    void ShowChecked() {
        if (!hwnd_)
            return;
        setting_ = true;
        ::SendMessageA(hwnd_, BM_SETCHECK, view_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
        setting_ = false;
    }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Checked:
            ShowChecked();
            break;
        case TProperty::Default:
            if (view_.Kind() == ui::TPeerKind::Button)
                ::SendMessageA(hwnd_, BM_SETSTYLE,
                               view_.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
            break;
        default:
            Win32Peer::Apply(property);
        }
    }

    LRESULT OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/, bool& handled) override {
        // A push button keeps its own look: the dialog manager would make any focused button
        // the default one, but Enter presses only the focused button here.
        if (message == WM_GETDLGCODE && view_.Kind() == ui::TPeerKind::Button) {
            handled = true;
            return DLGC_BUTTON | (view_.Default() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Win32Peer> MakeButtonPeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32ButtonPeer>(factory, control);
}

} // namespace os
