// Windows that hold other controls: panels (with their bevels and caption, and a window of
// their own that another program can draw in), group boxes (a frame with a caption around their
// radio buttons) and plain containers.
#include "os/win32/peers/Win32PeerBase.h"
#include "os/win32/peers/Win32Peers.h"

namespace os {

namespace {

using ui::TProperty;

UINT EdgeOf(ui::TPanelBevel bevel, bool outer) {
    switch (bevel) {
    case ui::TPanelBevel::bvLowered:
        return outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
    case ui::TPanelBevel::bvRaised:
        return outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
    default:
        return 0;
    }
}

UINT TextAlignment(ui::TAlignment alignment) {
    switch (alignment) {
    case ui::TAlignment::taCenter:
        return DT_CENTER;
    case ui::TAlignment::taRightJustify:
        return DT_RIGHT;
    default:
        return DT_LEFT;
    }
}

class Win32ContainerPeer : public Win32Peer {
public:
    using Win32Peer::Win32Peer;

protected:
    bool TakesFocus() const override { return false; }

    CreateArgs Args() override {
        CreateArgs args;
        args.Style = WS_CLIPCHILDREN;
        args.ExStyle = WS_EX_CONTROLPARENT;
        return args;
    }

    void Apply(TProperty property) override {
        if (property == TProperty::Style || property == TProperty::Alignment)
            ::InvalidateRect(hwnd_, nullptr, TRUE);
        else
            Win32Peer::Apply(property);
    }

    void Paint(::HDC dc, const RECT& client) override {
        if (view_.Kind() == ui::TPeerKind::GroupBox)
            PaintFrame(dc, client);
        else if (view_.Kind() == ui::TPeerKind::Panel)
            PaintPanel(dc, client);
    }

private:
    void PaintPanel(::HDC dc, RECT r) {
        const UINT edge = EdgeOf(view_.BevelOuter(), true) | EdgeOf(view_.BevelInner(), false);
        if (edge)
            ::DrawEdge(dc, &r, edge, BF_RECT | BF_ADJUST);
        const std::string caption = view_.Caption();
        if (caption.empty())
            return;
        ::HGDIOBJ old = ::SelectObject(dc, font_.Get());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ColorOf(view_.Font().Color()));
        ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &r,
                    TextAlignment(view_.Alignment()) | DT_VCENTER | DT_SINGLELINE);
        ::SelectObject(dc, old);
    }

    // An etched frame whose top line runs through the middle of the caption, if there is one.
    void PaintFrame(::HDC dc, const RECT& client) {
        ::HGDIOBJ old = ::SelectObject(dc, font_.Get());
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(dc, &metrics);
        const std::string caption = view_.Caption();
        RECT frame = client;
        if (!caption.empty()) // without a caption the frame keeps clear of the first button
            frame.top += metrics.tmHeight / 2;
        ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (!caption.empty()) {
            RECT text{Px(8), 0, client.right - Px(8), metrics.tmHeight};
            ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                        DT_SINGLELINE | DT_CALCRECT);
            RECT gap{text.left - Px(2), text.top, text.right + Px(2), text.bottom};
            ::FillRect(dc, &gap, Background());
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, ColorOf(view_.Font().Color()));
            ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                        DT_SINGLELINE);
        }
        ::SelectObject(dc, old);
    }
};

} // namespace

std::unique_ptr<Win32Peer> MakeContainerPeer(Win32PeerFactory& factory, ui::TControl& control) {
    return std::make_unique<Win32ContainerPeer>(factory, control);
}

} // namespace os
