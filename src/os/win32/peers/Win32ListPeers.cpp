// Lists: list boxes (the line under the pointer for the control's hints, the first line shown
// kept up to date) and drop-down lists. The control sorts its lines; the windows show them in
// the control's order.
#include "os/win32/peers/Win32PeerBase.h"
#include "os/win32/peers/Win32Peers.h"

namespace os {

namespace {

using ui::TProperty;

// The height of a drop-down's open list, in design pixels.
constexpr int DropDownHeight = 200;

class Win32ListPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

    void Command(WORD code) override {
        if (setting_)
            return;
        if (Combo() ? code != CBN_SELCHANGE : code != LBN_SELCHANGE)
            return;
        const int index =
            static_cast<int>(::SendMessageA(hwnd_, Combo() ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
        if (index >= 0)
            User([this, index] { view_.SelectByUser(index); });
    }

    bool ItemAtPos(TPoint pos, int& index) override {
        if (!hwnd_ || Combo())
            return false;
        const LRESULT hit =
            ::SendMessageA(hwnd_, LB_ITEMFROMPOINT, 0, MAKELPARAM(Px(pos.X), Px(pos.Y)));
        index = HIWORD(hit) ? -1 : static_cast<int>(LOWORD(hit));
        return true;
    }

protected:
    bool Combo() const { return view_.Kind() == ui::TPeerKind::ComboBox; }

    CreateArgs Args() override {
        CreateArgs args;
        if (Combo()) {
            args.ClassName = "COMBOBOX";
            args.Style = WS_VSCROLL | (view_.ComboStyle() == ui::TComboBoxStyle::csDropDownList
                                           ? CBS_DROPDOWNLIST
                                           : CBS_DROPDOWN | CBS_AUTOHSCROLL);
        } else {
            args.ClassName = "LISTBOX";
            args.Style = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
            args.ExStyle = WS_EX_CLIENTEDGE;
        }
        return args;
    }

    void PlaceWindow() override {
        if (!Combo()) {
            Win32Peer::PlaceWindow();
            return;
        }
        // A combo box's window reaches down over its open list.
        const ui::TRect b = view_.Bounds();
        const int x = Px(b.Left);
        const int y = Px(b.Top);
        ::SetWindowPos(hwnd_, nullptr, x, y, Px(b.Right) - x, Px(b.Bottom + DropDownHeight) - y,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void ShowItems() {
        setting_ = true;
        ::SendMessageA(hwnd_, Combo() ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
        for (int i = 0; i < view_.ItemCount(); ++i) {
            const std::string item = view_.Item(i);
            ::SendMessageA(hwnd_, Combo() ? CB_ADDSTRING : LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(item.c_str()));
        }
        setting_ = false;
        ShowSelection();
    }

    void ShowSelection() {
        setting_ = true;
        ::SendMessageA(hwnd_, Combo() ? CB_SETCURSEL : LB_SETCURSEL,
                       static_cast<WPARAM>(view_.ItemIndex()), 0);
        setting_ = false;
    }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Items:
            ShowItems();
            break;
        case TProperty::ItemIndex:
            ShowSelection();
            break;
        case TProperty::Caption:
            break;
        default:
            Win32Peer::Apply(property);
        }
    }

    LRESULT OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/,
                      bool& /*handled*/) override {
        if (Combo())
            return 0;
        switch (message) {
        case WM_VSCROLL:
        case WM_MOUSEWHEEL:
        case WM_KEYUP:
        case WM_LBUTTONUP: {
            const int top = static_cast<int>(::SendMessageA(hwnd_, LB_GETTOPINDEX, 0, 0));
            User([this, top] { view_.SetTopIndex(top); });
            break;
        }
        default:
            break;
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Win32Peer> MakeListPeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32ListPeer>(factory, control);
}

} // namespace os
