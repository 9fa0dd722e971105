// The hidden main window: owner of the work/rest cycle, the tray icon, the input hooks, the
// alert player and the tray menu's commands. It is never shown.
#pragma once

#include "os/MessageLoop.h"
#include "settings/Settings.h"
#include "ui/ActnList.h"
#include "ui/Forms.h"

#include <cstdint>
#include <functional>
#include <string>

namespace ui {
class TImageList;
class TMenuItem;
class TPopupMenu;
class TTimer;
} // namespace ui

namespace platform {
class TCoolTrayIcon;
class THxKeyboardHook;
class THxMouseHook;
class TMediaPlayer;
} // namespace platform
using platform::TCoolTrayIcon;
using platform::THxKeyboardHook;
using platform::THxMouseHook;
using platform::TMediaPlayer;
using settings::TVLSettings;

// The cycle state. Only the main thread touches it; every handler keeps its state here, so
// a handler entered from a nested loop (a modal dialog, the screen-saver wait) stays correct.
extern TVLSettings MainSettings;
extern std::int32_t WorkSecondsLeft;
extern std::int32_t RestSecondsLeft;
extern bool AwaitingActivity;
extern bool InterruptArmed;
extern bool ScreenSaverEnded;
extern bool OptionFormOpen;
extern bool AboutFormOpen;

// Whole seconds, 0 to 86399, as a time of day in days.
double SecondsToTime(std::int32_t seconds);
// Whole seconds as "hh:nn:ss", each colon the regional time separator.
std::string FormatSeconds(std::int32_t seconds);

// What the tray menu's Option and About commands show. Each runs its dialog modally and
// returns when the user has closed it. The dialogs install the real ones.
struct TMainFormDialogs {
    std::function<void()> ShowOptionForm;
    std::function<void()> ShowAboutForm;
    // Stops the open Options dialog's preview player (an alert is about to play music).
    std::function<void()> CloseOptionFormPlayer;
    // Raise the open dialog above the other windows.
    std::function<void()> BringOptionFormToFront;
    std::function<void()> BringAboutFormToFront;
};
TMainFormDialogs& MainFormDialogs();

class TMainForm : public ui::TForm {
public:
    explicit TMainForm(ui::TComponent* owner = nullptr);
    ~TMainForm() override;

    TMediaPlayer* MediaPlayer;
    ui::TActionList* ActionList;
    ui::TAction* ActionExit;
    ui::TAction* ActionOption;
    ui::TAction* ActionAbout;
    ui::TAction* ActionHelp;
    ui::TAction* ActionStartUp;
    ui::TAction* ActionEnableHook;
    ui::TAction* ActionPlayMusic;
    ui::TAction* ActionUpdate;
    ui::TAction* ActionPlayScreenSaver;
    ui::TImageList* ImageList;
    ui::TTimer* WorkTimer;
    THxKeyboardHook* KeyboardHook;
    THxMouseHook* MouseHook;
    TCoolTrayIcon* TrayIcon;
    ui::TPopupMenu* PopupMenu;
    ui::TMenuItem* PopupHelp;
    ui::TMenuItem* PopupAbout;
    ui::TMenuItem* N1;
    ui::TMenuItem* PopupReset;
    ui::TMenuItem* PopupUpdate;
    ui::TMenuItem* N2;
    ui::TMenuItem* PopupExit;
    ui::TTimer* RestTimer;
    ui::TTimer* TimerCheck;
    // Watches the system's idle time while awaiting activity, for when no hook could be
    // activated.
    ui::TTimer* IdleTimer;

    // The window that receives the hot key and the system's close requests.
    os::HWND Handle() const { return handle_; }

    // Event handlers and action bodies, named as the components and events they serve.
    void FormCreate();
    void FormClose();
    void ActionStartUpExecute();
    void ActionExitExecute();
    void TimerCheckTimer();
    void WorkTimerTimer();
    void RestTimerTimer();
    void TrayIconMouseMove();
    void TrayIconClick();
    void RegisterRestHotKey();
    void UnregisterRestHotKey();
    void WMHotKey();
    void ActionEnableHookExecute();
    void KeyboardHookKeyAction();
    void MouseHookMouseClick();
    void MouseHookMouseMove();
    void ActionPlayMusicExecute();
    void PickRandomMusic();
    void ActionPlayScreenSaverExecute();
    std::string PickRandomScreenSaver();
    void ActionOptionExecute();
    void ActionAboutExecute();
    void ActionHelpExecute();
    void ActionUpdateExecute();
    void IdleTimerTimer();

    // True while the hooks are active (both failing leaves the idle watch to detect input).
    bool HooksActive() const;

private:
    os::MessageResult WindowProc(os::UINT msg, os::WPARAM wParam, os::LPARAM lParam);
    void ShowErrorBox(const std::string& text);
    void UpdateIdleWatch();

    os::HWND handle_ = 0;
    os::ATOM HotKeyId_ = 0;
    std::uint64_t idleAtRestEnd_ = 0;
    bool closed_ = false;
    bool closedByUser_ = false; // by Exit, not by the session's end or a signal
    // The Options dialog closed during a rest: the file may hold newer settings than
    // MainSettings until the next ActionStartUp reads them.
    bool optionsClosedInRest_ = false;
};
