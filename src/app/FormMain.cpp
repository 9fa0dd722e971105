#include "app/FormMain.h"

#include "os/common/CommandLine.h"
#include "os/Platform.h"
#include "platform/CoolTrayIcon.h"
#include "platform/HxSysHookComp.h"
#include "platform/MPlayer.h"
#include "settings/Localisation.h"
#include "settings/SystemUtils.h"
#include "settings/Utilities.h"
#include "ui/Application.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/Timers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

using namespace settings;
using namespace platform;

TVLSettings MainSettings;
std::int32_t WorkSecondsLeft = 0;
std::int32_t RestSecondsLeft = 0;
bool AwaitingActivity = false;
bool InterruptArmed = false;
bool ScreenSaverEnded = false;
bool OptionFormOpen = false;
bool AboutFormOpen = false;

namespace {

// The largest countdown the time-of-day text can show: 23:59:59.
constexpr std::int32_t MaxCountdown = 86399;

// Minutes as seconds, computed wide: a huge stored period must not overflow.
std::int32_t ToSeconds(std::int32_t minutes) {
    std::int64_t seconds = static_cast<std::int64_t>(minutes) * 60;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(seconds, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

std::int32_t Capped(std::int32_t seconds) {
    return seconds >= 86400 ? MaxCountdown : seconds;
}

// A generator seeded anew from the clock at each pick.
std::size_t RandomIndex(std::size_t count) {
    auto& clock = os::Current().GetClock();
    std::mt19937 generator(static_cast<std::uint32_t>(clock.TickCount()) ^
                           static_cast<std::uint32_t>(std::fmod(clock.Now(), 1.0) * 86400000.0));
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(generator);
}

constexpr const char* HotKeyAtomName = "VistrelHotKey";

} // namespace

double SecondsToTime(std::int32_t seconds) {
    int hours = seconds / 3600;
    int minutes = (seconds % 3600) / 60;
    int secs = (seconds % 3600) % 60;
    return (hours * 3600.0 + minutes * 60.0 + secs) / 86400.0;
}

std::string FormatSeconds(std::int32_t seconds) {
    // Whole seconds of the time-of-day value, as "hh:nn:ss" formatting would read them back.
    auto total = static_cast<std::int32_t>(std::lround(SecondsToTime(seconds) * 86400.0));
    char buffer[16];
    std::string sep = os::Current().System().TimeSeparator();
    std::snprintf(buffer, sizeof buffer, "%02d", total / 3600);
    std::string text = buffer;
    std::snprintf(buffer, sizeof buffer, "%02d", (total % 3600) / 60);
    text += sep + buffer;
    std::snprintf(buffer, sizeof buffer, "%02d", total % 60);
    text += sep + buffer;
    return text;
}

TMainFormDialogs& MainFormDialogs() {
    static TMainFormDialogs dialogs;
    return dialogs;
}

TMainForm::TMainForm(ui::TComponent* owner) : ui::TForm(owner) {
    SetName("MainForm");
    SetCaption("Vistrel 3");
    SetBorderStyle(ui::TBorderStyle::bsNone);
    SetBorderIcons(0);

    auto& loop = os::Current().Loop();
    handle_ = loop.CreateMessageWindow(
        [this](os::UINT msg, os::WPARAM w, os::LPARAM l) { return WindowProc(msg, w, l); });

    MediaPlayer = new TMediaPlayer(this);
    MediaPlayer->SetName("MediaPlayer");
    MediaPlayer->SetVisible(false);
    MediaPlayer->SetVisibleButtons({});

    ActionList = new ui::TActionList(this);
    ActionList->SetName("ActionList");
    auto makeAction = [this](const char* name, const char* caption, void (TMainForm::*body)()) {
        auto* action = new ui::TAction(this);
        action->SetName(name);
        action->SetCaption(caption);
        action->SetActionList(ActionList);
        action->OnExecute = [this, body](ui::TComponent*) {
            ui::HandleExceptions([this, body] { (this->*body)(); });
        };
        return action;
    };
    ActionExit = makeAction("ActionExit", "Exit", &TMainForm::ActionExitExecute);
    ActionOption = makeAction("ActionOption", "Option", &TMainForm::ActionOptionExecute);
    ActionAbout = makeAction("ActionAbout", "About", &TMainForm::ActionAboutExecute);
    ActionHelp = makeAction("ActionHelp", "Help", &TMainForm::ActionHelpExecute);
    ActionStartUp = makeAction("ActionStartUp", "", &TMainForm::ActionStartUpExecute);
    ActionEnableHook = makeAction("ActionEnableHook", "", &TMainForm::ActionEnableHookExecute);
    ActionPlayMusic = makeAction("ActionPlayMusic", "", &TMainForm::ActionPlayMusicExecute);
    ActionUpdate = makeAction("ActionUpdate", "Update", &TMainForm::ActionUpdateExecute);
    ActionPlayScreenSaver =
        makeAction("ActionPlayScreenSaver", "", &TMainForm::ActionPlayScreenSaverExecute);

    ImageList = new ui::TImageList(this);
    ImageList->SetName("ImageList");
    ImageList->SetWidth(16);
    ImageList->SetHeight(16);
    for (int frame = 0; frame < 8; ++frame)
        ImageList->AddResource("TRAY" + std::to_string(frame));

    auto makeTimer = [this](const char* name, unsigned interval, bool enabled,
                            void (TMainForm::*tick)()) {
        auto* timer = new ui::TTimer(this);
        timer->SetName(name);
        timer->SetEnabled(false);
        timer->SetInterval(interval);
        timer->OnTimer = [this, tick](ui::TComponent*) {
            ui::HandleExceptions([this, tick] { (this->*tick)(); });
        };
        timer->SetEnabled(enabled);
        return timer;
    };
    WorkTimer = makeTimer("WorkTimer", 1000, true, &TMainForm::WorkTimerTimer);

    KeyboardHook = new THxKeyboardHook(this);
    KeyboardHook->SetName("KeyboardHook");
    KeyboardHook->SetHookDLL("Hook.dll");
    KeyboardHook->SetAllowFiltering(false);
    KeyboardHook->OnKeyAction = [this](auto&&...) { KeyboardHookKeyAction(); };
    MouseHook = new THxMouseHook(this);
    MouseHook->SetName("MouseHook");
    MouseHook->SetHookDLL("Hook.dll");
    MouseHook->OnMouseClick = [this](auto&&...) { MouseHookMouseClick(); };
    MouseHook->OnMouseMove = [this](auto&&...) { MouseHookMouseMove(); };

    PopupMenu = new ui::TPopupMenu(this);
    PopupMenu->SetName("PopupMenu");
    auto makeItem = [this](const char* name, ui::TAction* action) {
        auto* item = new ui::TMenuItem(this);
        item->SetName(name);
        if (action != nullptr)
            item->SetAction(action);
        else
            item->SetCaption("-");
        PopupMenu->Items()->Add(item);
        return item;
    };
    PopupHelp = makeItem("PopupHelp", ActionHelp);
    PopupAbout = makeItem("PopupAbout", ActionAbout);
    N1 = makeItem("N1", nullptr);
    PopupReset = makeItem("PopupReset", ActionOption);
    PopupReset->SetDefault(true);
    PopupUpdate = makeItem("PopupUpdate", ActionUpdate);
    N2 = makeItem("N2", nullptr);
    PopupExit = makeItem("PopupExit", ActionExit);

    TrayIcon = new TCoolTrayIcon(this);
    TrayIcon->SetName("TrayIcon");
    TrayIcon->SetIconList(ImageList);
    TrayIcon->SetCycleInterval(1000);
    TrayIcon->SetIconIndex(7);
    TrayIcon->SetPopupMenu(PopupMenu);
    TrayIcon->OnClick = [this](ui::TComponent*) {
        ui::HandleExceptions([this] { TrayIconClick(); });
    };
    TrayIcon->OnMouseMove = [this](auto&&...) { TrayIconMouseMove(); };
    TrayIcon->SetIconVisible(true);
    TrayIcon->SetCycleIcons(true);
    TrayIcon->Loaded();

    RestTimer = makeTimer("RestTimer", 1000, false, &TMainForm::RestTimerTimer);
    TimerCheck = makeTimer("TimerCheck", 5000, true, &TMainForm::TimerCheckTimer);
    IdleTimer = makeTimer("IdleTimer", 1000, false, &TMainForm::IdleTimerTimer);

    OnCreate = [this](ui::TComponent*) { FormCreate(); };
    OnClose = [this](ui::TComponent*, ui::TCloseAction&) { FormClose(); };
}

TMainForm::~TMainForm() {
    if (handle_ != 0 && os::Installed())
        os::Current().Loop().DestroyWindow(handle_);
}

os::MessageResult TMainForm::WindowProc(os::UINT msg, os::WPARAM /*wParam*/,
                                        os::LPARAM /*lParam*/) {
    switch (msg) {
    case os::WM_HOTKEY:
        ui::HandleExceptions([this] { WMHotKey(); });
        return 0;
    case os::WM_CLOSE:
        Close();
        return 0;
    default:
        return os::DefaultProcessing;
    }
}

// ---- Start-up and closing ---------------------------------------------------------------

void TMainForm::FormCreate() {
    AwaitingActivity = false;
    OptionFormOpen = false;
    AboutFormOpen = false;
    // A hook that cannot be installed leaves the program running without it.
    std::string error;
    MouseHook->Activate(error);
    KeyboardHook->Activate(error);
    ActionStartUp->Execute();
    double days = std::trunc(std::fabs(os::Current().GetClock().Now() - MainSettings.LastUpdate));
    // Settled before the hot key's failure box, whose loop runs the timers while it waits: an
    // update check that is not due must not fire from there.
    if (days < 15)
        TimerCheck->SetEnabled(false);
    RegisterRestHotKey();
    MediaPlayer->SetNotify(true);
    TimerCheck->SetEnabled(days >= 15);
}

void TMainForm::ActionStartUpExecute() {
    LoadSettings(MainSettings);
    optionsClosedInRest_ = false;
    TranslateForm(*this, CurrentLanguage);
    RestSecondsLeft = Capped(ToSeconds(MainSettings.RestPeriod));
    WorkSecondsLeft = Capped(ToSeconds(MainSettings.WorkPeriod));
    InterruptArmed = false;
}

void TMainForm::TimerCheckTimer() {
    TimerCheck->SetEnabled(false);
    // The updater's absence or failure to start is not reported here.
    os::Current().Process().WinExec(os::QuoteIfBlank(GetExeDir() + UpdaterFileName) + " /silent",
                                    os::SW_SHOWNORMAL);
}

void TMainForm::FormClose() {
    if (closed_) {
        // Asked again while closing, as by a signal while the user's Exit waits in the save's
        // error box: the loop's end also ends that box.
        os::Current().Loop().Terminate(0);
        return;
    }
    closed_ = true;
    MouseHook->Deactivate();
    KeyboardHook->Deactivate();
    IdleTimer->SetEnabled(false);
    // Options confirmed during a rest are in the file but not yet in MainSettings (the rest
    // runs on with what it started with): saving the older copy would undo them.
    if (optionsClosedInRest_)
        LoadSettings(MainSettings);
    // A failed save is reported; the icon and the hot key are released all the same.
    try {
        SaveSettings(MainSettings);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Vistrel: %s\n", error.what());
        // Only a user who chose Exit is there to answer the box. At the end of the session or
        // on a signal nobody is, and waiting for an answer would keep the program forever.
        if (closedByUser_)
            ui::ShowException(error);
    }
    TrayIcon->SetIconVisible(false);
    UnregisterRestHotKey();
    os::Current().Loop().Terminate(0);
}

void TMainForm::ActionExitExecute() {
    closedByUser_ = true;
    Close();
}

// ---- The work/rest cycle ----------------------------------------------------------------

void TMainForm::WorkTimerTimer() {
    if (WorkSecondsLeft > 0) {
        --WorkSecondsLeft;
        if (WorkSecondsLeft == 120 || WorkSecondsLeft == 60)
            TrayIcon->ShowBalloon(MsgVistrelTitle,
                                  FormatSeconds(WorkSecondsLeft) + " " + MsgTimeLeft, bkInfo, 10);
        return;
    }
    ScreenSaverEnded = false;
    WorkTimer->SetEnabled(false);
    TrayIcon->SetCycleIcons(false);
    TrayIcon->SetHint(MsgVistrelTitle + " - " + MsgTimeOut);
    TrayIcon->HideBalloon();
    TrayIcon->SetEnabled(false);
    InterruptArmed = MainSettings.CanInterrupt;
    // F4 may have ended the last wait before any input came; that wait is over now, and the
    // input that ends it must not end this rest.
    AwaitingActivity = false;
    UpdateIdleWatch();
    RestTimer->SetEnabled(true);
    switch (MainSettings.AlertMethod) {
    case 0:
        MonitorOff();
        break;
    case 1:
        ActionPlayMusic->Execute();
        break;
    case 2:
        ActionPlayMusic->Execute();
        MonitorOff();
        break;
    case 3:
        ActionPlayScreenSaver->Execute();
        break;
    default:
        break; // any other method: the rest runs without an alert
    }
}

void TMainForm::RestTimerTimer() {
    if (RestSecondsLeft <= 0) {
        RestTimer->SetEnabled(false);
        AwaitingActivity = true;
        UpdateIdleWatch();
        return;
    }
    --RestSecondsLeft;
    if (MediaPlayer->DeviceID() != 0 && MediaPlayer->Mode() == mpStopped)
        ActionPlayMusic->Execute();
    if (ScreenSaverEnded)
        ActionPlayScreenSaver->Execute();
    if (RestSecondsLeft % 10 == 0 &&
        (MainSettings.AlertMethod == 0 || MainSettings.AlertMethod == 2))
        MonitorOff();
}

void TMainForm::TrayIconMouseMove() {
    TrayIcon->SetHint(MsgVistrelTitle + " - " + FormatSeconds(WorkSecondsLeft) + " " + MsgTimeLeft);
}

// ---- Hot key and user activity ----------------------------------------------------------

void TMainForm::RegisterRestHotKey() {
    auto& keys = os::Current().Keys();
    HotKeyId_ = keys.GlobalAddAtom(HotKeyAtomName);
    if (!keys.RegisterHotKey(handle_, HotKeyId_, 0, os::VK_F4))
        os::Current().GetShell().MessageBox(handle_, MsgHotKeyRegisterFailed, MsgAlert,
                                            os::MB_ICONINFORMATION);
}

void TMainForm::UnregisterRestHotKey() {
    os::Current().Keys().UnregisterHotKey(handle_, HotKeyId_);
}

void TMainForm::WMHotKey() {
    if (!InterruptArmed)
        return;
    InterruptArmed = false;
    RestTimer->SetEnabled(false);
    MediaPlayer->Close();
    TrayIcon->SetCycleIcons(true);
    TrayIcon->SetEnabled(true);
    MonitorOn();
    ActionStartUp->Execute();
    WorkTimer->SetEnabled(true);
    UpdateIdleWatch();
}

void TMainForm::ActionEnableHookExecute() {
    if (!AwaitingActivity)
        return;
    AwaitingActivity = false;
    MediaPlayer->Close();
    TrayIcon->SetCycleIcons(true);
    TrayIcon->SetEnabled(true);
    ActionStartUp->Execute();
    WorkTimer->SetEnabled(true);
    UpdateIdleWatch();
}

void TMainForm::KeyboardHookKeyAction() {
    ActionEnableHook->Execute();
}
void TMainForm::MouseHookMouseClick() {
    ActionEnableHook->Execute();
}
void TMainForm::MouseHookMouseMove() {
    ActionEnableHook->Execute();
}

bool TMainForm::HooksActive() const {
    return MouseHook->Active() || KeyboardHook->Active();
}

// Without any hook nothing reports the user's return; the system's idle time does instead,
// read once a second and only while awaiting activity.
void TMainForm::UpdateIdleWatch() {
    bool watch = AwaitingActivity && !HooksActive();
    if (watch && !IdleTimer->Enabled()) {
        std::uint64_t idle = 0;
        if (!os::Current().System().GetLastInputIdle(idle))
            return; // the system cannot tell: only the hot key can end this rest
        idleAtRestEnd_ = idle;
        IdleTimer->SetEnabled(true);
    } else if (!watch) {
        IdleTimer->SetEnabled(false);
    }
}

void TMainForm::IdleTimerTimer() {
    std::uint64_t idle = 0;
    if (!AwaitingActivity || !os::Current().System().GetLastInputIdle(idle)) {
        IdleTimer->SetEnabled(false);
        return;
    }
    // The idle time only grows while nobody touches the machine; a smaller reading means input.
    if (idle < idleAtRestEnd_)
        ActionEnableHook->Execute();
    else
        idleAtRestEnd_ = idle;
}

// ---- Alerts -----------------------------------------------------------------------------

void TMainForm::ActionPlayMusicExecute() {
    if (OptionFormOpen && MainFormDialogs().CloseOptionFormPlayer)
        MainFormDialogs().CloseOptionFormPlayer();
    if (MainSettings.PlayMethod == 1) {
        PickRandomMusic();
    } else {
        std::string path = GetMusicDir() + MainSettings.MusicFile;
        if (os::Current().Files().FileExists(path))
            MediaPlayer->SetFileName(path);
        else
            PickRandomMusic();
    }
    if (MediaPlayer->FileName().empty())
        return;
    try {
        MediaPlayer->Open();
        MediaPlayer->Play();
    } catch (const std::exception&) {
        // Music that cannot be played ends the rest; the user's next input resumes work.
        MediaPlayer->Close();
        RestTimer->SetEnabled(false);
        AwaitingActivity = true;
        UpdateIdleWatch();
    }
}

void TMainForm::PickRandomMusic() {
    MediaPlayer->SetFileName("");
    std::string folder = GetMusicDir();
    if (os::Current().Files().DirectoryExists(folder)) {
        ui::TStringList files;
        ListFiles(folder, files, "*.*");
        if (files.Count() > 0)
            MediaPlayer->SetFileName(folder + files[static_cast<int>(RandomIndex(files.Count()))]);
    } else {
        TrayIcon->ShowBalloon(MsgVistrelTitle, MsgNoMusicFile, bkError, 10);
    }
}

void TMainForm::ActionPlayScreenSaverExecute() {
    ScreenSaverEnded = false;
    std::string chosen;
    if (MainSettings.SSMethod == 1 || MainSettings.ScreenSaver.empty() ||
        !os::Current().Files().FileExists(MainSettings.ScreenSaver))
        chosen = PickRandomScreenSaver();
    else
        chosen = MainSettings.ScreenSaver;
    ScreenSaverEnded = RunScreenSaver(chosen);
}

std::string TMainForm::PickRandomScreenSaver() {
    ui::TStringList files;
    ListFiles(GetScreenSaverDir(), files, "*.scr");
    if (files.Count() == 0)
        return "";
    return files[static_cast<int>(RandomIndex(files.Count()))];
}

// ---- Tray menu commands -----------------------------------------------------------------

void TMainForm::ActionOptionExecute() {
    if (OptionFormOpen) {
        os::Current().Loop().BringToFront();
        if (MainFormDialogs().BringOptionFormToFront)
            MainFormDialogs().BringOptionFormToFront();
        return;
    }
    OptionFormOpen = true;
    std::string languageBefore = CurrentLanguage;
    try {
        if (MainFormDialogs().ShowOptionForm)
            MainFormDialogs().ShowOptionForm();
    } catch (...) {
        OptionFormOpen = false;
        throw;
    }
    OptionFormOpen = false;
    if (WorkTimer->Enabled()) {
        LoadSettings(MainSettings);
        RestSecondsLeft = ToSeconds(MainSettings.RestPeriod);
    } else {
        optionsClosedInRest_ = true;
    }
    if (CurrentLanguage != languageBefore) {
        TranslateForm(*this, CurrentLanguage);
        LoadMessages(CurrentLanguage);
    }
}

void TMainForm::ActionAboutExecute() {
    if (AboutFormOpen) {
        os::Current().Loop().BringToFront();
        if (MainFormDialogs().BringAboutFormToFront)
            MainFormDialogs().BringAboutFormToFront();
        return;
    }
    AboutFormOpen = true;
    try {
        if (MainFormDialogs().ShowAboutForm)
            MainFormDialogs().ShowAboutForm();
    } catch (...) {
        AboutFormOpen = false;
        throw;
    }
    AboutFormOpen = false;
}

void TMainForm::ActionHelpExecute() {
    std::string path = GetHelpDir() + LanguageCode(CurrentLanguage) + os::PathDelim + "Help.chm";
    if (os::Current().Files().FileExists(path))
        os::Current().Process().ShellExecute(os::Current().Loop().ApplicationWindow(), "open", path,
                                             "", "", os::SW_SHOW);
    else
        ShowErrorBox(MsgNoHelpFile);
}

void TMainForm::ActionUpdateExecute() {
    std::string path = GetExeDir() + UpdaterFileName;
    if (os::Current().Files().FileExists(path))
        os::Current().Process().WinExec(os::QuoteIfBlank(path), os::SW_SHOWNORMAL);
    else
        ShowErrorBox(MsgNoUpdater);
}

void TMainForm::TrayIconClick() {
    TrayIcon->ShowBalloon(MsgVistrelTitle, FormatSeconds(WorkSecondsLeft) + " " + MsgTimeLeft,
                          bkInfo, 10);
}

void TMainForm::ShowErrorBox(const std::string& text) {
    os::Current().GetShell().MessageBox(handle_, text, MsgError, os::MB_ICONERROR);
}
