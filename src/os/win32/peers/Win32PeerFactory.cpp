#include "os/win32/peers/Win32Peers.h"

#include "os/win32/peers/Win32PeerBase.h"

namespace os {

namespace {

LRESULT CALLBACK PeerWindowProc(::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* peer = reinterpret_cast<Win32Peer*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (peer) {
        bool handled = false;
        LRESULT result = peer->HandleMessage(window, message, wParam, lParam, handled);
        if (handled)
            return result;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK CollectChild(::HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(reinterpret_cast<HWND>(window));
    return TRUE;
}

} // namespace

Win32PeerFactory::Win32PeerFactory() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES;
    ::InitCommonControlsEx(&controls);

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &PeerWindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), "MAINICON");
    windowClass.lpszClassName = WindowClass();
    // Registered once per process; a second factory finds it there.
    if (!::RegisterClassExA(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("The dialogs' window class cannot be registered: " +
                                 Win32ErrorText(::GetLastError()));
}

Win32PeerFactory::~Win32PeerFactory() {
    if (parking_)
        ::DestroyWindow(parking_);
    for (auto& [color, brush] : brushes_)
        if (brush && !(color & 0x80000000u))
            ::DeleteObject(brush);
    for (auto& [name, bitmap] : bitmaps_)
        if (bitmap)
            ::DeleteObject(bitmap);
}

std::unique_ptr<ui::TControlPeer> Win32PeerFactory::CreatePeer(ui::TControl& control) {
    std::unique_ptr<Win32Peer> peer;
    switch (ui::TPeerControl(control).Kind()) {
    case ui::TPeerKind::Form:
        peer = MakeFormPeer(*this, control);
        break;
    case ui::TPeerKind::PageControl:
        peer = MakePageControlPeer(*this, control);
        break;
    case ui::TPeerKind::TabSheet:
        peer = MakeTabSheetPeer(*this, control);
        break;
    case ui::TPeerKind::Panel:
    case ui::TPeerKind::GroupBox:
    case ui::TPeerKind::Container:
        peer = MakeContainerPeer(*this, control);
        break;
    case ui::TPeerKind::Label:
        peer = MakeLabelPeer(*this, control);
        break;
    case ui::TPeerKind::Image:
        peer = MakeImagePeer(*this, control);
        break;
    case ui::TPeerKind::Memo:
    case ui::TPeerKind::Edit:
    case ui::TPeerKind::SpinEdit:
        peer = MakeEditPeer(*this, control);
        break;
    case ui::TPeerKind::CheckBox:
    case ui::TPeerKind::RadioButton:
    case ui::TPeerKind::Button:
        peer = MakeButtonPeer(*this, control);
        break;
    case ui::TPeerKind::ListBox:
    case ui::TPeerKind::ComboBox:
        peer = MakeListPeer(*this, control);
        break;
    case ui::TPeerKind::PaintedButtons:
        peer = MakeButtonBarPeer(*this, control);
        break;
    case ui::TPeerKind::Other:
        return nullptr;
    }
    peer->Create();
    return peer;
}

void Win32PeerFactory::RunModal(ui::TForm& form) {
    if (auto* peer = dynamic_cast<Win32Peer*>(ui::PeerOfForm(form)))
        RunFormLoop(*peer);
}

void Win32PeerFactory::CancelHint() {
    CancelFormHints(*this);
}

std::vector<HWND> Win32PeerFactory::EnumChildWindows(HWND parent) {
    std::vector<HWND> windows;
    if (parent != 0)
        ::EnumChildWindows(reinterpret_cast<::HWND>(parent), &CollectChild,
                           reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool Win32PeerFactory::IsWindowVisible(HWND window) {
    return window != 0 && ::IsWindowVisible(reinterpret_cast<::HWND>(window));
}

void Win32PeerFactory::CloseWindow(HWND window) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(reinterpret_cast<::HWND>(window), WM_CLOSE, 0, 0,
                          SMTO_NORMAL | SMTO_ABORTIFHUNG, 5000, &result);
}

void Win32PeerFactory::Register(HWND__* window, Win32Peer& peer) {
    windows_[window] = &peer;
}

void Win32PeerFactory::Unregister(HWND__* window) {
    windows_.erase(window);
}

Win32Peer* Win32PeerFactory::Find(HWND__* window) const {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second;
}

HWND__* Win32PeerFactory::Parking() {
    if (!parking_)
        parking_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     ::GetModuleHandleA(nullptr), nullptr);
    return parking_;
}

std::vector<Win32Peer*> Win32PeerFactory::PeersIn(HWND__* root) const {
    std::vector<Win32Peer*> peers;
    for (auto& [window, peer] : windows_)
        if (window == peer->Window() && (!root || ::GetAncestor(window, GA_ROOT) == root))
            peers.push_back(peer);
    return peers;
}

HBRUSH__* Win32PeerFactory::Brush(std::uint32_t colorValue) {
    auto it = brushes_.find(colorValue);
    if (it != brushes_.end())
        return it->second;
    ::HBRUSH brush = (colorValue & 0x80000000u)
                         ? ::GetSysColorBrush(static_cast<int>(colorValue & 0xFF))
                         : ::CreateSolidBrush(static_cast<COLORREF>(colorValue & 0xFFFFFF));
    brushes_[colorValue] = brush;
    return brush;
}

HBITMAP__* Win32PeerFactory::Bitmap(const std::string& name) {
    auto it = bitmaps_.find(name);
    if (it != bitmaps_.end())
        return it->second;
    auto bitmap = static_cast<::HBITMAP>(
        ::LoadImageA(::GetModuleHandleA(nullptr), name.c_str(), IMAGE_BITMAP, 0, 0, 0));
    bitmaps_[name] = bitmap;
    return bitmap;
}

} // namespace os
