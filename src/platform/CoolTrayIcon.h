// The icon in the notification area: adds, changes and removes it through the shell, animates
// it through the frames of an image list, shows a tooltip and balloon notices, turns the
// shell's mouse notifications into events, opens the popup menu, runs the menu's default item
// on a double click, and puts the icon back when the taskbar is re-created.
#pragma once

#include "os/Shell.h"
#include "os/Types.h"
#include "platform/SimpleTimer.h"
#include "ui/Classes.h"
#include "ui/Component.h"
#include "ui/Controls.h"

#include <cstdint>
#include <functional>
#include <string>

namespace os {
class Platform;
}

namespace ui {
class TImageList;
class TPopupMenu;
} // namespace ui

namespace platform {

// The icon of a balloon notice; the values are the shell's info flags.
enum TBalloonKind : int { bkNone = 0, bkInfo = 1, bkWarning = 2, bkError = 3 };

using TCycleEvent = std::function<void(ui::TComponent* sender, int nextIndex)>;
using TMouseEvent = std::function<void(ui::TComponent* sender, ui::TMouseButton button,
                                       ui::TShiftState shift, int x, int y)>;

// The callback message the shell sends to the handler window for every tray icon.
inline constexpr os::UINT WM_TRAYNOTIFY = os::WM_USER + 1024;

class TCoolTrayIcon : public ui::TComponent {
public:
    static constexpr std::size_t MaxTipLength = 127;
    static constexpr std::size_t MaxBalloonTextLength = 255;
    static constexpr std::size_t MaxBalloonTitleLength = 63;

    explicit TCoolTrayIcon(ui::TComponent* owner);
    ~TCoolTrayIcon() override;

    bool Enabled() const { return enabled_; }
    // A plain store: while false every mouse notification is ignored.
    void SetEnabled(bool value) { enabled_ = value; }
    // The picture shown; the handle stays owned by whoever made it (an image list or the
    // program's resources).
    os::HICON Icon() const { return icon_; }
    void SetIcon(os::HICON icon);
    ui::TImageList* IconList() const { return iconList_.Get(); }
    void SetIconList(ui::TImageList* list);
    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int index);
    bool IconVisible() const { return iconVisible_; }
    void SetIconVisible(bool value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool CycleIcons() const { return cycleIcons_; }
    void SetCycleIcons(bool value);
    int CycleInterval() const { return cycleInterval_; }
    void SetCycleInterval(int milliseconds);
    ui::TPopupMenu* PopupMenu() const { return popupMenu_.Get(); }
    void SetPopupMenu(ui::TPopupMenu* menu);
    bool LeftPopup() const { return leftPopup_; }
    void SetLeftPopup(bool value) { leftPopup_ = value; }

    // Call once the form's stored properties are applied: refreshes the icon, adds it when
    // visible, restarts the animation and tells the shell which notification version it wants.
    void Loaded();

    // Title and text are cut to 63 and 255 characters; the timeout is 0 to 255 seconds.
    void ShowBalloon(const std::string& title, const std::string& text, TBalloonKind kind,
                     int timeoutSeconds);
    void HideBalloon();

    // Each returns whether the shell accepted the call.
    virtual bool AddIcon();
    virtual bool RemoveIcon();
    virtual bool UpdateIcon();

    // One animation step: shows the next frame, after the last one the first.
    void CycleStep();
    // One double-click time after a press (with an OnDblClick handler): the held-back click.
    void ClickTimerStep();
    // Shows the popup menu at the cursor; returns when it closes.
    void OpenPopupMenu();
    // A tray notification for this icon (the callback's lParam).
    void HandleIconMessage(os::UINT message);

    // The record as it was last sent to the shell.
    const os::NotifyIconData& IconData() const { return data_; }
    const TSimpleTimer& CycleTimer() const { return cycleTimer_; }
    const TSimpleTimer& ClickTimer() const { return clickTimer_; }

    ui::TNotifyEvent OnClick;
    ui::TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    ui::TMouseMoveEvent OnMouseMove;
    TCycleEvent OnCycle;
    ui::TNotifyEvent OnBalloonHintShow;
    ui::TNotifyEvent OnBalloonHintHide;
    ui::TNotifyEvent OnBalloonHintTimeout;
    ui::TNotifyEvent OnBalloonHintClick;

protected:
    void Notification(ui::TComponent* component, ui::TOperation operation) override;

    virtual void DoClick();
    virtual void DoDblClick();
    virtual void DoCycle(int nextIndex);
    virtual void DoMouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y);
    virtual void DoMouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y);
    virtual void DoMouseMove(ui::TShiftState shift, int x, int y);

private:
    bool PlatformAlive() const;
    void FillIconData();
    bool Notify(os::DWORD message);
    void ApplicationMessage(os::UINT msg);
    void RunDefaultItem();
    ui::TShiftState ShiftState() const;
    os::TPoint CursorPos() const;
    void MouseButton(ui::TMouseButton button, bool down);

    os::Platform& platform_; // where the icon lives; the handler window is in its loop
    os::NotifyIconData data_;
    bool enabled_ = true;
    os::HICON icon_ = 0;
    ui::TComponentRef<ui::TImageList> iconList_;
    const ui::TComponent* iconListId_ = nullptr; // to recognise the list's removal notice
    bool iconFromList_ = false;                  // icon_ is a frame the list owns
    int iconIndex_ = 0;
    bool iconVisible_ = false;
    std::string hint_;
    bool showHint_ = true;
    bool cycleIcons_ = false;
    int cycleInterval_ = 0;
    ui::TComponentRef<ui::TPopupMenu> popupMenu_;
    const ui::TComponent* popupMenuId_ = nullptr;
    bool leftPopup_ = false;

    TSimpleTimer cycleTimer_;
    TSimpleTimer clickTimer_;
    bool clickStarted_ = false;
    bool clickReady_ = false;
    bool dblClickSeen_ = false;
    os::TPoint lastMouse_;
    os::UINT version_ = 0; // notification version; this program keeps 0
    int appHook_ = 0;
};

} // namespace platform
