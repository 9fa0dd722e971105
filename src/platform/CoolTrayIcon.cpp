#include "platform/CoolTrayIcon.h"

#include "os/Platform.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace platform {

// The one hidden window that receives the tray callback of every tray icon. The callback's
// wParam names the icon by the identity it was added with; it is looked up among the live
// icons, so a late notification for an icon that is gone finds nothing.
class TTrayIconHandler {
public:
    explicit TTrayIconHandler(os::Platform& platform) : platform_(platform) {
        window_ = platform_.Loop().CreateMessageWindow(
            [this](os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
                return WindowProc(msg, wParam, lParam);
            });
        // Shells that announce a re-created taskbar do so from common controls 4.71 on.
        os::DWORD major = 0;
        os::DWORD minor = 0;
        if (platform_.System().GetComCtlVersion(major, minor) &&
            (major > 4 || (major == 4 && minor >= 71)))
            TaskbarCreated = platform_.Loop().RegisterWindowMessage("TaskbarCreated");
    }
    ~TTrayIconHandler() {
        if (window_ != 0 && os::Installed() && &os::Current() == &platform_)
            platform_.Loop().DestroyWindow(window_);
    }
    TTrayIconHandler(const TTrayIconHandler&) = delete;
    TTrayIconHandler& operator=(const TTrayIconHandler&) = delete;

    os::HWND Window() const { return window_; }
    int RefCount() const { return static_cast<int>(icons_.size()); }
    void Add(TCoolTrayIcon* icon, std::uintptr_t id) { icons_[id] = icon; }
    void Remove(std::uintptr_t id) { icons_.erase(id); }

    os::UINT TaskbarCreated = 0; // 0: not registered, never matches a message

private:
    os::MessageResult WindowProc(os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
        switch (msg) {
        case WM_TRAYNOTIFY: {
            auto it = icons_.find(wParam);
            if (it != icons_.end())
                it->second->HandleIconMessage(static_cast<os::UINT>(lParam));
            return 0;
        }
        // The window neither closes on request nor holds up the end of the session.
        case os::WM_CLOSE:
        case os::WM_DESTROY:
        case os::WM_NCDESTROY:
        case os::WM_QUIT:
        case os::WM_QUERYENDSESSION:
        case os::WM_ENDSESSION:
            return 1;
        default:
            return os::DefaultProcessing;
        }
    }

    os::Platform& platform_;
    os::HWND window_ = 0;
    std::unordered_map<std::uintptr_t, TCoolTrayIcon*> icons_;
};

namespace {

std::unique_ptr<TTrayIconHandler> trayHandler;

std::uintptr_t IdentityOf(const TCoolTrayIcon* icon) {
    return reinterpret_cast<std::uintptr_t>(icon);
}

} // namespace

TCoolTrayIcon::TCoolTrayIcon(ui::TComponent* owner)
    : ui::TComponent(owner), platform_(os::Current()) {
    if (!trayHandler)
        trayHandler = std::make_unique<TTrayIconHandler>(platform_);
    trayHandler->Add(this, IdentityOf(this));

    data_.hWnd = trayHandler->Window();
    data_.uID = IdentityOf(this);
    data_.uFlags = os::NIF_MESSAGE | os::NIF_ICON | os::NIF_TIP;
    data_.uCallbackMessage = WM_TRAYNOTIFY;

    cycleTimer_.SetOnTimer([this](TSimpleTimer*) { CycleStep(); });
    clickTimer_.SetOnTimer([this](TSimpleTimer*) { ClickTimerStep(); });

    appHook_ = platform_.Loop().HookApplicationWindow(
        [this](os::UINT msg, os::WPARAM, os::LPARAM) { ApplicationMessage(msg); });
}

TCoolTrayIcon::~TCoolTrayIcon() {
    BeginDestroy();
    cycleTimer_.SetEnabled(false);
    clickTimer_.SetEnabled(false);
    if (PlatformAlive()) {
        RemoveIcon();
        platform_.Loop().UnhookApplicationWindow(appHook_);
    }
    if (trayHandler) {
        trayHandler->Remove(IdentityOf(this));
        if (trayHandler->RefCount() == 0)
            trayHandler.reset();
    }
}

bool TCoolTrayIcon::PlatformAlive() const {
    return os::Installed() && &os::Current() == &platform_;
}

// ---- The record and the shell -------------------------------------------------------------

void TCoolTrayIcon::FillIconData() {
    data_.hIcon = icon_;
    if (!hint_.empty() && showHint_)
        os::CopyField(data_.szTip, hint_, MaxTipLength);
    else
        std::memset(data_.szTip, 0, sizeof data_.szTip);
}

bool TCoolTrayIcon::Notify(os::DWORD message) {
    FillIconData();
    if (!PlatformAlive())
        return false;
    return platform_.GetShell().Shell_NotifyIcon(message, data_);
}

bool TCoolTrayIcon::AddIcon() {
    iconVisible_ = true;
    return Notify(os::NIM_ADD);
}

bool TCoolTrayIcon::RemoveIcon() {
    iconVisible_ = false;
    return Notify(os::NIM_DELETE);
}

bool TCoolTrayIcon::UpdateIcon() {
    return Notify(os::NIM_MODIFY);
}

void TCoolTrayIcon::Loaded() {
    UpdateIcon();
    if (iconVisible_)
        AddIcon(); // a second add of an icon that is there fails harmlessly
    SetCycleIcons(cycleIcons_);
    data_.uTimeoutOrVersion = version_;
    Notify(os::NIM_SETVERSION);
}

// ---- Properties ---------------------------------------------------------------------------

void TCoolTrayIcon::SetIcon(os::HICON icon) {
    icon_ = icon;
    iconFromList_ = false;
    UpdateIcon();
}

void TCoolTrayIcon::SetIconList(ui::TImageList* list) {
    if (ui::TImageList* old = iconList_.Get(); old != nullptr && old != list)
        old->RemoveFreeNotification(this);
    iconList_ = list;
    iconListId_ = list;
    if (list != nullptr)
        list->FreeNotification(this);
    SetIconIndex(0);
}

void TCoolTrayIcon::SetIconIndex(int index) {
    if (ui::TImageList* list = iconList_.Get()) {
        iconIndex_ = std::max(0, std::min(index, list->Count() - 1));
        icon_ = list->GetIcon(iconIndex_); // 0 when the frame cannot be had: an empty icon
        iconFromList_ = true;
    } else {
        iconIndex_ = 0;
    }
    UpdateIcon();
}

void TCoolTrayIcon::SetIconVisible(bool value) {
    if (value)
        AddIcon();
    else
        RemoveIcon();
}

void TCoolTrayIcon::SetHint(const std::string& hint) {
    hint_ = hint;
    UpdateIcon();
}

void TCoolTrayIcon::SetShowHint(bool value) {
    showHint_ = value;
    UpdateIcon();
}

void TCoolTrayIcon::SetCycleIcons(bool value) {
    cycleIcons_ = value;
    if (value) {
        SetIconIndex(0);
        cycleTimer_.SetInterval(static_cast<unsigned>(std::max(cycleInterval_, 0)));
        cycleTimer_.SetEnabled(true);
    } else {
        cycleTimer_.SetEnabled(false); // the frame shown stays
    }
}

void TCoolTrayIcon::SetCycleInterval(int milliseconds) {
    cycleInterval_ = milliseconds;
    SetCycleIcons(cycleIcons_);
}

void TCoolTrayIcon::SetPopupMenu(ui::TPopupMenu* menu) {
    if (ui::TPopupMenu* old = popupMenu_.Get(); old != nullptr && old != menu)
        old->RemoveFreeNotification(this);
    popupMenu_ = menu;
    popupMenuId_ = menu;
    if (menu != nullptr)
        menu->FreeNotification(this);
}

void TCoolTrayIcon::Notification(ui::TComponent* component, ui::TOperation operation) {
    ui::TComponent::Notification(component, operation);
    if (operation != ui::TOperation::opRemove || Destroying() || component == nullptr)
        return;
    // The named component is past its destructor body: compare addresses only.
    if (component == popupMenuId_) {
        popupMenu_ = nullptr;
        popupMenuId_ = nullptr;
    }
    if (component == iconListId_) {
        iconList_ = nullptr;
        iconListId_ = nullptr;
        // The frame shown was the list's and went with it.
        if (iconFromList_)
            icon_ = 0;
        SetIconIndex(0);
    }
}

// ---- Balloons -----------------------------------------------------------------------------

void TCoolTrayIcon::ShowBalloon(const std::string& title, const std::string& text,
                                TBalloonKind kind, int timeoutSeconds) {
    HideBalloon();
    data_.uFlags |= os::NIF_INFO;
    os::CopyField(data_.szInfo, text, MaxBalloonTextLength);
    os::CopyField(data_.szInfoTitle, title, MaxBalloonTitleLength);
    data_.uTimeoutOrVersion = static_cast<os::UINT>(std::clamp(timeoutSeconds, 0, 255)) * 1000;
    data_.dwInfoFlags = static_cast<os::DWORD>(kind);
    UpdateIcon();
    data_.uFlags = os::NIF_MESSAGE | os::NIF_ICON | os::NIF_TIP; // later updates leave it alone
}

void TCoolTrayIcon::HideBalloon() {
    data_.uFlags |= os::NIF_INFO;
    std::memset(data_.szInfo, 0, sizeof data_.szInfo);
    UpdateIcon();
}

// ---- Animation ----------------------------------------------------------------------------

void TCoolTrayIcon::CycleStep() {
    ui::TImageList* list = iconList_.Get();
    if (list == nullptr)
        return;
    icon_ = list->GetIcon(iconIndex_);
    iconFromList_ = true;
    int next = iconIndex_ < list->Count() - 1 ? iconIndex_ + 1 : 0;
    auto alive = LifeToken();
    DoCycle(next);
    if (alive.expired())
        return;
    SetIconIndex(next);
}

// ---- Mouse --------------------------------------------------------------------------------

ui::TShiftState TCoolTrayIcon::ShiftState() const {
    os::MessageLoop& loop = platform_.Loop();
    ui::TShiftState shift = 0;
    if (loop.GetAsyncKeyState(os::VK_SHIFT) < 0)
        shift |= ui::ssShift;
    if (loop.GetAsyncKeyState(os::VK_MENU) < 0)
        shift |= ui::ssAlt;
    if (loop.GetAsyncKeyState(os::VK_CONTROL) < 0)
        shift |= ui::ssCtrl;
    return shift;
}

os::TPoint TCoolTrayIcon::CursorPos() const {
    os::TPoint point; // (0, 0) when the system cannot tell
    platform_.Loop().GetCursorPos(point);
    return point;
}

void TCoolTrayIcon::MouseButton(ui::TMouseButton button, bool down) {
    ui::TShiftState shift = ShiftState();
    shift |= button == ui::TMouseButton::mbLeft    ? ui::ssLeft
             : button == ui::TMouseButton::mbRight ? ui::ssRight
                                                   : ui::ssMiddle;
    os::TPoint at = CursorPos();
    if (down)
        DoMouseDown(button, shift, at.X, at.Y);
    else
        DoMouseUp(button, shift, at.X, at.Y);
}

void TCoolTrayIcon::HandleIconMessage(os::UINT message) {
    // Handlers may run nested loops or destroy the icon; nothing touches it after that.
    auto alive = LifeToken();
    switch (message) {
    case os::NIN_BALLOONSHOW:
        if (OnBalloonHintShow)
            OnBalloonHintShow(this);
        return;
    case os::NIN_BALLOONHIDE:
        if (OnBalloonHintHide)
            OnBalloonHintHide(this);
        return;
    case os::NIN_BALLOONTIMEOUT:
        if (OnBalloonHintTimeout)
            OnBalloonHintTimeout(this);
        return;
    case os::NIN_BALLOONUSERCLICK:
        if (OnBalloonHintClick)
            OnBalloonHintClick(this);
        return;
    default:
        break;
    }
    if (!enabled_)
        return; // a frozen icon answers no mouse at all

    switch (message) {
    case os::WM_MOUSEMOVE: {
        os::TPoint at = CursorPos();
        DoMouseMove(ShiftState(), at.X, at.Y);
        if (!alive.expired())
            lastMouse_ = at;
        break;
    }
    case os::WM_LBUTTONDOWN:
        if (OnDblClick) {
            clickTimer_.SetInterval(platform_.Loop().GetDoubleClickTime());
            clickTimer_.SetEnabled(true);
        }
        MouseButton(ui::TMouseButton::mbLeft, true);
        if (alive.expired())
            return;
        clickStarted_ = true;
        if (leftPopup_)
            OpenPopupMenu();
        break;
    case os::WM_LBUTTONUP:
        if (clickStarted_)
            clickReady_ = true;
        if (clickStarted_ && !clickTimer_.Enabled()) {
            clickStarted_ = false;
            clickReady_ = false;
            DoClick();
            if (alive.expired())
                return;
        }
        clickStarted_ = false;
        MouseButton(ui::TMouseButton::mbLeft, false);
        break;
    case os::WM_LBUTTONDBLCLK:
        clickReady_ = false;
        dblClickSeen_ = true;
        DoDblClick();
        if (alive.expired())
            return;
        RunDefaultItem();
        break;
    case os::WM_RBUTTONDOWN:
        MouseButton(ui::TMouseButton::mbRight, true);
        if (alive.expired())
            return;
        OpenPopupMenu();
        break;
    case os::WM_RBUTTONUP:
        if (version_ == 0)
            MouseButton(ui::TMouseButton::mbRight, false);
        break;
    case os::WM_CONTEXTMENU:
    case os::NIN_SELECT:
    case os::NIN_KEYSELECT:
        if (version_ == 1)
            MouseButton(ui::TMouseButton::mbRight, false);
        break;
    case os::WM_MBUTTONDOWN:
        MouseButton(ui::TMouseButton::mbMiddle, true);
        break;
    case os::WM_MBUTTONUP:
        MouseButton(ui::TMouseButton::mbMiddle, false);
        break;
    default:
        break;
    }
}

void TCoolTrayIcon::ClickTimerStep() {
    clickTimer_.SetEnabled(false);
    bool click = clickReady_ && !dblClickSeen_;
    dblClickSeen_ = false;
    // The click is used up here, so a later press held past the double-click time does not
    // report it a second time.
    clickReady_ = false;
    if (click)
        DoClick();
}

void TCoolTrayIcon::RunDefaultItem() {
    ui::TPopupMenu* menu = popupMenu_.Get();
    if (menu == nullptr || !menu->AutoPopup() || leftPopup_)
        return;
    ui::TMenuItem* root = menu->Items();
    for (int i = 0; i < root->Count(); ++i) {
        ui::TMenuItem* item = root->Items(i);
        if (item->Default()) {
            item->Click();
            return;
        }
    }
}

void TCoolTrayIcon::OpenPopupMenu() {
    ui::TPopupMenu* menu = popupMenu_.Get();
    if (menu == nullptr || !menu->AutoPopup())
        return;
    os::TPoint at;
    os::MessageLoop& loop = platform_.Loop();
    if (!loop.GetCursorPos(at))
        return;
    // The menu closes when the user clicks elsewhere only if the application is in front.
    loop.SetForegroundWindow(loop.ApplicationWindow());
    ui::TComponentRef<ui::TPopupMenu> menuRef(menu);
    auto alive = LifeToken();
    loop.ProcessMessages();
    menu = menuRef.Get();
    if (alive.expired() || menu == nullptr)
        return;
    menu->SetPopupComponent(this);
    const os::HWND owner = loop.ApplicationWindow();
    menu->Popup(at.X, at.Y);
    // The window the menu belonged to must see a message after the menu closes; otherwise the
    // next menu shown from the tray may not close when the user clicks elsewhere.
    loop.PostMessage(owner, os::WM_NULL, 0, 0);
}

void TCoolTrayIcon::ApplicationMessage(os::UINT msg) {
    // The taskbar was re-created (the shell restarted): a visible icon must be added again.
    if (trayHandler && trayHandler->TaskbarCreated != 0 && msg == trayHandler->TaskbarCreated &&
        iconVisible_)
        AddIcon();
}

// ---- Event raisers ------------------------------------------------------------------------

void TCoolTrayIcon::DoClick() {
    if (OnClick)
        OnClick(this);
}

void TCoolTrayIcon::DoDblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TCoolTrayIcon::DoCycle(int nextIndex) {
    if (OnCycle)
        OnCycle(this, nextIndex);
}

void TCoolTrayIcon::DoMouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TCoolTrayIcon::DoMouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TCoolTrayIcon::DoMouseMove(ui::TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

} // namespace platform
