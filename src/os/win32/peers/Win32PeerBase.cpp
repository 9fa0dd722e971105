#include "os/win32/peers/Win32PeerBase.h"

#include "os/win32/peers/Win32Peers.h"

#include <stdexcept>

namespace os {

namespace {

using ui::TProperty;

BYTE TextCharset() {
    // The texts are in the ANSI code page; the font must draw that code page's characters.
    static const BYTE charset = [] {
        CHARSETINFO info{};
        if (::TranslateCharsetInfo(reinterpret_cast<::DWORD*>(static_cast<UINT_PTR>(::GetACP())),
                                   &info, TCI_SRCCODEPAGE))
            return static_cast<BYTE>(info.ciCharset);
        return static_cast<BYTE>(DEFAULT_CHARSET);
    }();
    return charset;
}

LPCSTR CursorResource(ui::TCursor cursor) {
    switch (cursor) {
    case ui::TCursor::crHandPoint:
        return IDC_HAND;
    case ui::TCursor::crHourGlass:
        return IDC_WAIT;
    case ui::TCursor::crIBeam:
        return IDC_IBEAM;
    default:
        return IDC_ARROW;
    }
}

} // namespace

UINT WindowDpi(::HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(::HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window)
        if (UINT dpi = getDpiForWindow(window); dpi > 0)
            return dpi;
    ::HDC screen = ::GetDC(nullptr);
    int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

::HFONT CreateModelFont(const ui::TFont& font, UINT dpi) {
    const int height = font.Height() > 0 ? font.Height() : 1;
    const ui::TFontStyles style = font.Style();
    return ::CreateFontA(
        -ToDevice(height, dpi), 0, 0, 0, (style & ui::fsBold) ? FW_BOLD : FW_NORMAL,
        (style & ui::fsItalic) ? TRUE : FALSE, (style & ui::fsUnderline) ? TRUE : FALSE,
        (style & ui::fsStrikeOut) ? TRUE : FALSE, TextCharset(), OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.Name().c_str());
}

COLORREF ColorOf(ui::TColor color) {
    if (color.IsSystem())
        return ::GetSysColor(color.SystemIndex());
    return static_cast<COLORREF>(color.Value & 0xFFFFFF);
}

ui::TShiftState ShiftOf(WPARAM mouseKeys) {
    ui::TShiftState shift = 0;
    if (mouseKeys & MK_SHIFT)
        shift |= ui::ssShift;
    if (mouseKeys & MK_CONTROL)
        shift |= ui::ssCtrl;
    if (mouseKeys & MK_LBUTTON)
        shift |= ui::ssLeft;
    if (mouseKeys & MK_RBUTTON)
        shift |= ui::ssRight;
    if (mouseKeys & MK_MBUTTON)
        shift |= ui::ssMiddle;
    if (::GetKeyState(VK_MENU) < 0)
        shift |= ui::ssAlt;
    return shift;
}

std::string WithoutAccelerators(const std::string& caption) {
    std::string text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return text;
}

// ---- Win32Peer -----------------------------------------------------------------------------

Win32Peer::Win32Peer(Win32PeerFactory& factory, ui::TControl& control)
    : factory_(factory), view_(control), life_(view_.LifeToken()) {}

Win32Peer::~Win32Peer() {
    // The control is going: nothing the windows say on their way out may reach it.
    alive_ = false;
    for (::HWND window : extraWindows_) {
        factory_.Unregister(window);
        if (::IsWindow(window))
            ::DestroyWindow(window);
    }
    if (!hwnd_)
        return;
    factory_.Unregister(hwnd_);
    if (toolOwner_ && ::IsWindow(toolOwner_)) {
        TOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = toolForm_;
        tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
        ::SendMessageA(toolOwner_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    if (subclassed_)
        ::RemoveWindowSubclass(hwnd_, &Win32Peer::SubclassProc, 1);
    else
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_); // its child windows go with it; their peers see them gone
}

void Win32Peer::Create() {
    const ui::TPeerKind kind = view_.Kind();
    ::HWND parent = kind == ui::TPeerKind::Form ? nullptr : ParentWindow();
    dpi_ = WindowDpi(parent ? ::GetAncestor(parent, GA_ROOT) : nullptr);
    CreateArgs args = Args();
    const bool own = args.ClassName == nullptr;
    DWORD style = args.Style;
    if (kind != ui::TPeerKind::Form) {
        style |= WS_CHILD | (args.ClipSiblings ? WS_CLIPSIBLINGS : 0);
        if (view_.Visible())
            style |= WS_VISIBLE;
    }
    const ui::TRect b = view_.Bounds();
    const int x = Px(b.Left);
    const int y = Px(b.Top);
    ::HMENU id = kind == ui::TPeerKind::Form
                     ? nullptr
                     : reinterpret_cast<::HMENU>(static_cast<INT_PTR>(factory_.NextId()));
    ::HWND window =
        ::CreateWindowExA(args.ExStyle, own ? factory_.WindowClass() : args.ClassName,
                          args.Text.c_str(), style, x, y, Px(b.Right) - x, Px(b.Bottom) - y, parent,
                          id, ::GetModuleHandleA(nullptr), own ? this : nullptr);
    if (!window)
        throw std::runtime_error("The window of '" + view_.Name() +
                                 "' cannot be made: " + Win32ErrorText(::GetLastError()));
    hwnd_ = window;
    factory_.Register(hwnd_, *this);
    if (!own) {
        ::SetWindowSubclass(hwnd_, &Win32Peer::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
        subclassed_ = true;
    }
    Created();
    for (TProperty p :
         {TProperty::Font,      TProperty::Color,      TProperty::Caption,   TProperty::Hint,
          TProperty::Enabled,   TProperty::TabStop,    TProperty::Alignment, TProperty::Style,
          TProperty::Checked,   TProperty::Items,      TProperty::ItemIndex, TProperty::Text,
          TProperty::ReadOnly,  TProperty::Range,      TProperty::Picture,   TProperty::Transparent,
          TProperty::PageIndex, TProperty::ActivePage, TProperty::Default,   TProperty::Bounds,
          TProperty::Visible})
        Apply(p);
}

void Win32Peer::PropertyChanged(ui::TControl& /*control*/, TProperty property) {
    if (hwnd_ && alive_)
        Apply(property);
}

bool Win32Peer::MeasureText(const ui::TFont& font, const std::string& text, int& width,
                            int& height) {
    ::HDC dc = ::GetDC(nullptr);
    if (!dc)
        return false;
    GdiObject<::HFONT> measured(CreateModelFont(font, dpi_));
    ::HGDIOBJ old = ::SelectObject(dc, measured.Get());
    SIZE size{};
    TEXTMETRICA metrics{};
    const bool ok =
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size) &&
        ::GetTextMetricsA(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    if (!ok)
        return false;
    width = ToLogicalCeil(size.cx, dpi_);
    height = ToLogicalCeil(metrics.tmHeight, dpi_);
    return true;
}

::HBRUSH Win32Peer::Background() {
    return factory_.Brush(view_.Color().Value);
}

::HBRUSH Win32Peer::ControlColor(::HDC dc) {
    ::SetTextColor(dc, ColorOf(view_.Font().Color()));
    ::SetBkColor(dc, ColorOf(view_.Color()));
    return Background();
}

void Win32Peer::Rescale() {
    if (!hwnd_)
        return;
    dpi_ = WindowDpi(::GetAncestor(hwnd_, GA_ROOT));
    UpdateFont();
    PlaceWindow();
}

::HWND Win32Peer::ParentWindow() const {
    if (auto* parent = dynamic_cast<Win32Peer*>(view_.ParentPeer()); parent && parent->Container())
        return parent->Container();
    return factory_.Parking();
}

bool Win32Peer::RootVisible() const {
    return hwnd_ && ::IsWindowVisible(::GetAncestor(hwnd_, GA_ROOT));
}

void Win32Peer::AddWindow(::HWND window) {
    extraWindows_.push_back(window);
    factory_.Register(window, *this);
}

void Win32Peer::UpdateFont() {
    font_.Reset(CreateModelFont(view_.Font(), dpi_));
    ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Peer::UpdateTool() {
    auto* form = dynamic_cast<Win32Peer*>(view_.FormPeer());
    if (!form || form == this)
        return;
    ::HWND tip = FormToolTip(*form);
    if (!tip)
        return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = form->Window();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    if (view_.ShowHint() && !toolOwner_) {
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        if (::SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
            toolOwner_ = tip;
            toolForm_ = form->Window();
        }
    } else if (!view_.ShowHint() && toolOwner_) {
        ::SendMessageA(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        toolOwner_ = nullptr;
    }
}

void Win32Peer::PlaceWindow() {
    const ui::TRect b = view_.Bounds();
    const int x = Px(b.Left);
    const int y = Px(b.Top);
    ::SetWindowPos(hwnd_, nullptr, x, y, Px(b.Right) - x, Px(b.Bottom) - y,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Peer::Apply(TProperty property) {
    switch (property) {
    case TProperty::Parent: {
        ::HWND parent = ParentWindow();
        if (parent && ::GetParent(hwnd_) != parent) {
            ::SetParent(hwnd_, parent);
            Rescale();
        }
        break;
    }
    case TProperty::Bounds:
        PlaceWindow();
        break;
    case TProperty::Visible:
        ::ShowWindow(hwnd_, view_.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case TProperty::Enabled:
        ::EnableWindow(hwnd_, view_.Enabled());
        break;
    case TProperty::Hint:
    case TProperty::ShowHint:
        UpdateTool();
        break;
    case TProperty::Font:
        UpdateFont();
        break;
    case TProperty::Color:
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case TProperty::Caption:
        ::SetWindowTextA(hwnd_, view_.Caption().c_str());
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case TProperty::TabStop:
        if (TakesFocus()) {
            LONG_PTR style = ::GetWindowLongPtrA(hwnd_, GWL_STYLE);
            style = view_.TabStop() ? (style | WS_TABSTOP) : (style & ~LONG_PTR{WS_TABSTOP});
            ::SetWindowLongPtrA(hwnd_, GWL_STYLE, style);
        }
        break;
    case TProperty::Focus:
        if (RootVisible() && ::GetFocus() != hwnd_)
            ::SetFocus(hwnd_);
        break;
    default:
        break;
    }
}

LRESULT Win32Peer::OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                             bool& /*handled*/) {
    return 0;
}

LRESULT Win32Peer::HandleMessage(::HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 bool& handled) {
    if (!hwnd_)
        hwnd_ = window; // the first messages of CreateWindowEx
    switch (message) {
    case WM_NCDESTROY:
        // Gone with its parent window before this peer: forget it.
        factory_.Unregister(hwnd_);
        if (subclassed_)
            ::RemoveWindowSubclass(hwnd_, &Win32Peer::SubclassProc, 1);
        subclassed_ = false;
        hwnd_ = nullptr;
        toolOwner_ = nullptr;
        return 0;
    case WM_COMMAND:
        if (!subclassed_ && lParam) {
            if (Win32Peer* child = factory_.Find(reinterpret_cast<::HWND>(lParam))) {
                handled = true;
                child->Command(HIWORD(wParam));
                return 0;
            }
        }
        break;
    case WM_NOTIFY:
        if (!subclassed_) {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code == TTN_GETDISPINFOA) {
                auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
                if (Win32Peer* tool = factory_.Find(reinterpret_cast<::HWND>(header->idFrom))) {
                    tool->hintText_ = tool->view_.ShowHint() ? tool->view_.Hint() : std::string();
                    info->lpszText = tool->hintText_.data();
                }
                handled = true;
                return 0;
            }
            if (Win32Peer* child = factory_.Find(header->hwndFrom)) {
                LRESULT result = 0;
                if (child->Notify(*header, result)) {
                    handled = true;
                    return result;
                }
            }
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        if (!subclassed_)
            if (Win32Peer* child = factory_.Find(reinterpret_cast<::HWND>(lParam))) {
                handled = true;
                return reinterpret_cast<LRESULT>(
                    child->ControlColor(reinterpret_cast<::HDC>(wParam)));
            }
        break;
    case WM_ERASEBKGND:
        if (!subclassed_) {
            RECT client{};
            ::GetClientRect(hwnd_, &client);
            ::FillRect(reinterpret_cast<::HDC>(wParam), &client, Background());
            handled = true;
            return 1;
        }
        break;
    case WM_PAINT:
        if (!subclassed_) {
            PAINTSTRUCT paint{};
            ::HDC dc = ::BeginPaint(hwnd_, &paint);
            RECT client{};
            ::GetClientRect(hwnd_, &client);
            if (dc)
                Paint(dc, client);
            ::EndPaint(hwnd_, &paint);
            handled = true;
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (TakesFocus() && RootVisible())
            if (!User([this] { view_.FocusArrived(); })) {
                handled = true;
                return 0;
            }
        break;
    case WM_MOUSEMOVE: {
        if (!tracking_) {
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof(track);
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = hwnd_;
            tracking_ = ::TrackMouseEvent(&track) != FALSE;
            if (!User([this] { view_.MouseEnter(); })) {
                handled = true;
                return 0;
            }
        }
        const int x = ToLogical(static_cast<short>(LOWORD(lParam)), dpi_);
        const int y = ToLogical(static_cast<short>(HIWORD(lParam)), dpi_);
        const ui::TShiftState shift = ShiftOf(wParam);
        if (!User([this, shift, x, y] { view_.MouseMove(shift, x, y); })) {
            handled = true;
            return 0;
        }
        break;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (!User([this] { view_.MouseLeave(); })) {
            handled = true;
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<::HWND>(wParam) == hwnd_ && LOWORD(lParam) == HTCLIENT &&
            view_.Cursor() != ui::TCursor::crDefault) {
            ::SetCursor(::LoadCursorA(nullptr, CursorResource(view_.Cursor())));
            handled = true;
            return TRUE;
        }
        break;
    default:
        break;
    }
    return OnMessage(message, wParam, lParam, handled);
}

LRESULT CALLBACK Win32Peer::SubclassProc(::HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR /*id*/, DWORD_PTR data) {
    auto* peer = reinterpret_cast<Win32Peer*>(data);
    bool handled = false;
    // A handler the message runs may destroy the peer; nothing below reads it after.
    LRESULT result = peer->HandleMessage(window, message, wParam, lParam, handled);
    if (handled)
        return result;
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(window, &Win32Peer::SubclassProc, 1);
    return ::DefSubclassProc(window, message, wParam, lParam);
}

} // namespace os
