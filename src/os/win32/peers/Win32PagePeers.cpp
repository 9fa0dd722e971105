// Page controls: the system's tab control with one tab per page, and each page a window of
// its own over it, placed where the tab control shows its pages at its font and scale. The
// pages are the tab control's siblings, next after it, so that Tab goes from the tabs into
// the page shown (the dialog manager does not enter a control's own children).
#include "os/win32/peers/Win32PeerBase.h"
#include "os/win32/peers/Win32Peers.h"

namespace os {

namespace {

using ui::TProperty;

class Win32PageControlPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

    // One tab for each page, in the pages' order, the active one selected.
    void SyncTabs() {
        if (!hwnd_)
            return;
        setting_ = true;
        ::SendMessageA(hwnd_, TCM_DELETEALLITEMS, 0, 0);
        for (int i = 0; i < view_.PageCount(); ++i) {
            std::string caption = view_.PageCaption(i);
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = caption.data();
            ::SendMessageA(hwnd_, TCM_INSERTITEMA, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(&item));
        }
        ::SendMessageA(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(view_.ActivePageIndex()), 0);
        setting_ = false;
        MeasurePages();
    }

    void Rescale() override {
        Win32Peer::Rescale();
        MeasurePages();
    }

    bool Notify(NMHDR& header, LRESULT& result) override {
        if (header.code != TCN_SELCHANGE || setting_)
            return false;
        const int index = static_cast<int>(::SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0));
        User([this, index] { view_.SelectPageByUser(index); });
        result = 0;
        return true;
    }

protected:
    CreateArgs Args() override {
        CreateArgs args;
        args.ClassName = WC_TABCONTROLA;
        args.Style = TCS_TABS | TCS_SINGLELINE;
        return args;
    }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::PageIndex:
            SyncTabs();
            break;
        case TProperty::ActivePage:
            setting_ = true;
            ::SendMessageA(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(view_.ActivePageIndex()), 0);
            setting_ = false;
            break;
        case TProperty::Bounds:
            Win32Peer::Apply(property);
            MeasurePages();
            for (int i = 0; i < view_.PageCount(); ++i)
                if (auto* page = dynamic_cast<Win32Peer*>(view_.PagePeer(i)))
                    page->Reposition();
            break;
        case TProperty::Font:
            Win32Peer::Apply(property);
            MeasurePages();
            break;
        default:
            Win32Peer::Apply(property);
        }
    }

    // The shown page paints its own area: the tab control, above it, leaves that area alone.
    LRESULT OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/,
                      bool& /*handled*/) override {
        if (message != WM_PAINT)
            return 0;
        for (int i = 0; i < view_.PageCount(); ++i) {
            auto* page = dynamic_cast<Win32Peer*>(view_.PagePeer(i));
            if (!page || !page->Window() || !::IsWindowVisible(page->Window()))
                continue;
            RECT area{};
            ::GetWindowRect(page->Window(), &area);
            ::MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&area), 2);
            ::ValidateRect(hwnd_, &area);
        }
        return 0;
    }

private:
    // Tells the control where the tab control shows its pages, in design pixels.
    void MeasurePages() {
        RECT r{};
        if (!hwnd_ || !::GetClientRect(hwnd_, &r))
            return;
        ::SendMessageA(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
        const ui::TRect display{ToLogicalCeil(r.left, dpi_), ToLogicalCeil(r.top, dpi_),
                                ToLogical(r.right, dpi_), ToLogical(r.bottom, dpi_)};
        if (display.Right > display.Left && display.Bottom > display.Top)
            User([this, display] { view_.SetDisplayRect(display); });
    }
};

class Win32TabSheetPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

protected:
    bool TakesFocus() const override { return false; }

    CreateArgs Args() override {
        CreateArgs args;
        args.Style = WS_CLIPCHILDREN;
        args.ExStyle = WS_EX_CONTROLPARENT;
        args.ClipSiblings = false;
        return args;
    }

    ::HWND ParentWindow() const override {
        Win32PageControlPeer* owner = Owner();
        if (owner && owner->Window())
            if (::HWND parent = ::GetParent(owner->Window()))
                return parent;
        return Win32Peer::ParentWindow();
    }

    // The page's bounds are the page control's; its window lies in the page control's parent.
    void PlaceWindow() override {
        Win32PageControlPeer* owner = Owner();
        if (!owner || !owner->Window()) {
            Win32Peer::PlaceWindow();
            return;
        }
        RECT tabs{};
        ::GetWindowRect(owner->Window(), &tabs);
        ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&tabs), 2);
        const ui::TRect b = view_.Bounds();
        const int x = Px(b.Left);
        const int y = Px(b.Top);
        ::SetWindowPos(hwnd_, owner->Window(), tabs.left + x, tabs.top + y, Px(b.Right) - x,
                       Px(b.Bottom) - y, SWP_NOACTIVATE);
    }

    Win32PageControlPeer* Owner() const {
        return dynamic_cast<Win32PageControlPeer*>(view_.PageControlPeer());
    }

    void Created() override {
        if (Win32PageControlPeer* owner = Owner())
            owner->SyncTabs();
    }

    void Apply(TProperty property) override {
        if (property == TProperty::Caption) {
            if (Win32PageControlPeer* owner = Owner())
                owner->SyncTabs();
        } else {
            Win32Peer::Apply(property);
        }
    }
};

} // namespace

std::unique_ptr<Win32Peer> MakePageControlPeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32PageControlPeer>(factory, control);
}

std::unique_ptr<Win32Peer> MakeTabSheetPeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32TabSheetPeer>(factory, control);
}

} // namespace os
