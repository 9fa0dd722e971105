// The fake operating system every test uses: a virtual clock that fires timers in order,
// scripted user input and answers, recorded shell and process calls, and real files in a
// temporary folder. Deterministic: nothing depends on wall-clock time or a display.
#pragma once

#include "HeadlessPeers.h"
#include "os/common/ProfileFile.h"
#include "os/common/StdFileSystem.h"
#include "os/Platform.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fake {

// Virtual time shared by the clock, the timers and the process waits.
struct VirtualTime {
    std::uint64_t NowMs = 0;
    double StartDate = 46000.5; // a fixed local date-time (2025-12-09 12:00)
};

class FakeClock : public os::Clock {
public:
    explicit FakeClock(VirtualTime& time) : time_(time) {}
    double Now() override {
        return time_.StartDate + static_cast<double>(time_.NowMs) / 86400000.0;
    }
    std::uint64_t TickCount() override { return time_.NowMs; }
    // Sets the local date-time that Now() reports at the current virtual instant.
    void SetNow(double dateTime) {
        time_.StartDate = dateTime - static_cast<double>(time_.NowMs) / 86400000.0;
    }

private:
    VirtualTime& time_;
};

class FakeMessageLoop : public os::MessageLoop {
public:
    explicit FakeMessageLoop(VirtualTime& time);

    os::HWND CreateMessageWindow(os::WindowProc proc) override;
    void DestroyWindow(os::HWND window) override;
    bool IsWindow(os::HWND window) override;
    os::HWND ApplicationWindow() override { return appWindow_; }
    int HookApplicationWindow(AppHook hook) override;
    void UnhookApplicationWindow(int hookId) override;
    bool PostMessage(os::HWND window, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) override;
    os::LRESULT SendMessage(os::HWND window, os::UINT msg, os::WPARAM wParam,
                            os::LPARAM lParam) override;
    os::UINT RegisterWindowMessage(const std::string& name) override;
    bool SetTimer(os::HWND window, os::WPARAM id, os::UINT intervalMs) override;
    bool KillTimer(os::HWND window, os::WPARAM id) override;
    void ProcessMessages() override;
    int Run() override;
    void Terminate(int exitCode = 0) override;
    bool Terminated() override { return terminated_; }
    bool GetCursorPos(os::TPoint& point) override;
    short GetAsyncKeyState(int virtualKey) override;
    os::UINT GetDoubleClickTime() override { return DoubleClickTime; }
    bool SetForegroundWindow(os::HWND window) override;
    void BringToFront() override { ++BringToFrontCount; }
    void SetEndSessionHandler(std::function<void()> handler) override {
        endSession_ = std::move(handler);
    }
    // As the system does when the user's session ends.
    void EndSession() {
        if (endSession_)
            endSession_();
    }

    // Moves virtual time forward, firing every timer that comes due on the way, in order of
    // due time (creation order breaks ties), and handling posted messages after each.
    void AdvanceTime(std::uint64_t ms);
    // Moves time to the next due timer and fires it; false when no timer runs.
    bool FireNextTimer();
    bool TimerRunning(os::HWND window, os::WPARAM id) const;
    std::size_t RunningTimerCount() const { return timers_.size(); }
    std::size_t WindowCount() const { return windows_.size(); }
    std::size_t PendingMessageCount() const { return posted_.size(); }

    // Runs after every timer message has been handled (and the messages it posted), wherever
    // the timer fired: a soak checks the program's state there.
    std::function<void()> AfterTimer;

    // What was sent or posted to the application window (monitor power, taskbar messages).
    struct Delivered {
        os::UINT Msg;
        os::WPARAM WParam;
        os::LPARAM LParam;
    };
    std::vector<Delivered> AppWindowMessages;

    // Scripted input state.
    os::TPoint Cursor{100, 200};
    bool CursorAvailable = true;
    std::set<int> KeysDown;
    os::UINT DoubleClickTime = 500;
    std::vector<os::HWND> ForegroundCalls;
    int BringToFrontCount = 0;
    int ExitCode = 0;

private:
    struct Timer {
        os::HWND Window;
        os::WPARAM Id;
        os::UINT Interval;
        std::uint64_t Due;
        std::uint64_t Order;
    };
    struct Posted {
        os::HWND Window;
        os::UINT Msg;
        os::WPARAM WParam;
        os::LPARAM LParam;
    };
    void Dispatch(os::HWND window, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam);
    void DrainPosted();
    Timer* NextDue(std::uint64_t limit);

    VirtualTime& time_;
    std::map<os::HWND, std::shared_ptr<os::WindowProc>> windows_;
    std::map<int, AppHook> appHooks_;
    std::vector<Timer> timers_;
    std::deque<Posted> posted_;
    std::map<std::string, os::UINT> registered_;
    os::HWND nextWindow_ = 0x1000;
    os::HWND appWindow_ = 0;
    int nextHook_ = 1;
    std::uint64_t nextOrder_ = 0;
    bool terminated_ = false;
    std::function<void()> endSession_;
};

class FakeShell : public os::Shell {
public:
    explicit FakeShell(FakeMessageLoop& loop) : loop_(loop) {}
    bool Shell_NotifyIcon(os::DWORD message, const os::NotifyIconData& data) override;
    int TrackPopupMenu(const std::vector<os::MenuEntry>& entries, os::TPoint at,
                       os::HWND owner) override;
    os::HICON LoadIconResource(const std::string& name) override;
    void DestroyIcon(os::HICON icon) override;
    int MessageBox(os::HWND owner, const std::string& text, const std::string& caption,
                   os::UINT flags) override;

    struct NotifyCall {
        os::DWORD Message;
        os::NotifyIconData Data;
    };
    std::vector<NotifyCall> NotifyCalls;
    std::set<std::uintptr_t> IconsShown; // by uID
    bool NotifyAvailable = true;         // false: every call fails, as with no tray host

    struct Menu {
        std::vector<os::MenuEntry> Entries;
        os::TPoint At;
    };
    std::vector<Menu> MenusShown;
    std::deque<int> MenuAnswers;         // command to choose; 0 dismisses
    std::function<void()> WhileMenuOpen; // runs inside the menu's loop

    struct Box {
        std::string Text;
        std::string Caption;
        os::UINT Flags;
    };
    std::vector<Box> MessageBoxes;
    std::deque<int> MessageBoxAnswers;     // default: IDOK, or IDNO for a Yes/No box
    std::function<void()> WhileMessageBox; // runs inside the box's loop

    bool GetOpenFileName(os::OpenFileName& request) override;
    std::vector<os::OpenFileName> OpenFileDialogs; // every request, as asked
    // The user's choices in turn: a path is chosen, an empty text cancels; none left cancels.
    std::deque<std::string> OpenFileAnswers;

    std::map<os::HICON, std::string> Icons; // live icons by handle
    std::set<std::string> MissingIcons;     // resource names that fail to load

private:
    FakeMessageLoop& loop_;
    os::HICON nextIcon_ = 0x5000;
};

class FakeSystemInfo : public os::SystemInfo {
public:
    std::string GetModuleFileName() override { return ExePath; }
    bool GetVersionEx(os::OsVersionInfo& info) override;
    std::string GetWindowsDirectory() override { return WindowsDir; }
    std::string GetSystemDirectory() override { return SystemDir; }
    bool GetUserName(std::string& name) override;
    std::uint16_t GetSystemDefaultLangID() override { return LangId; }
    std::string VerLanguageName(std::uint16_t langId) override;
    std::string TimeSeparator() override { return TimeSep; }
    std::string ShortDateFormat() override { return DateFormat; }
    std::string DateSeparator() override { return DateSep; }
    bool GetDisplayName(const std::string& path, std::string& displayName) override;
    bool GetComCtlVersion(os::DWORD& major, os::DWORD& minor) override;
    bool GetLastInputIdle(std::uint64_t& idleMs) override;

    std::string ExePath;
    bool VersionAvailable = true;
    os::OsVersionInfo Version{10, 0, 19045, 2, ""};
    std::string WindowsDir;
    std::string SystemDir;
    bool UserNameAvailable = true;
    std::string UserName = "tester";
    std::uint16_t LangId = 1033;
    std::map<std::uint16_t, std::string> LanguageNames{{1033, "English (United States)"},
                                                       {1031, "German (Germany)"}};
    std::string TimeSep = ":";
    std::string DateFormat = "dd/MM/yyyy";
    std::string DateSep = "/";
    // Display names the shell reports; a path not listed is unknown to the shell.
    std::map<std::string, std::string> DisplayNames;
    bool ComCtlAvailable = true;
    os::DWORD ComCtlMajor = 6;
    os::DWORD ComCtlMinor = 0;
    bool IdleAvailable = false;
    std::uint64_t IdleMs = 0;
};

class FakeAutoRun : public os::AutoRunStore {
public:
    bool OpenRunKey() override;
    bool SetRunValue(const std::string& name, const std::string& data) override;
    bool DeleteRunValue(const std::string& name) override;
    bool QueryRunValue(const std::string& name, std::string& data) override;
    void CloseRunKey() override { KeyOpen = false; }

    std::map<std::string, std::string> Values;
    bool CanOpen = true;
    bool CanWrite = true;
    bool KeyOpen = false;
    int Writes = 0;
};

class FakeProcess : public os::ProcessLauncher {
public:
    explicit FakeProcess(FakeMessageLoop& loop, VirtualTime& time) : loop_(loop), time_(time) {}
    os::UINT WinExec(const std::string& commandLine, int show) override;
    bool ShellExecute(os::HWND parent, const std::string& verb, const std::string& file,
                      const std::string& parameters, const std::string& directory,
                      int show) override;
    bool ShellExecuteEx(os::HWND owner, const std::string& verb, const std::string& file,
                        const std::string& parameters, int show, os::HANDLE& process) override;
    os::DWORD WaitForSingleObject(os::HANDLE handle, os::DWORD milliseconds) override;
    void CloseHandle(os::HANDLE handle) override;
    os::HANDLE CreateMutex(const std::string& name, bool& alreadyExists) override;
    os::DWORD GetLastError() override { return LastError; }

    struct Started {
        std::string Kind; // "WinExec", "ShellExecute", "ShellExecuteEx"
        std::string File; // the command line for WinExec
        std::string Parameters;
        std::string Verb;
        int Show;
    };
    std::vector<Started> Starts;
    // Files that ShellExecute and ShellExecuteEx cannot start (any other file starts).
    std::set<std::string> Unstartable;
    bool WinExecFails = false;
    // How long (virtual ms) a process started by ShellExecuteEx runs before it ends;
    // 0 runs until EndProcess.
    std::uint64_t ProcessLifetimeMs = 3000;
    bool NoProcessHandle = false; // ShellExecuteEx succeeds without a process to wait for
    // Runs at each slice of a wait, as if the user acted while the program waits.
    std::function<void(os::HANDLE)> WhileWaiting;
    void EndProcess(os::HANDLE handle);
    std::set<os::HANDLE> OpenHandles;
    std::set<std::string> ExistingMutexes;
    os::DWORD LastError = 0;

private:
    struct Proc {
        std::uint64_t EndsAt; // 0: runs until ended
        bool Ended;
    };
    FakeMessageLoop& loop_;
    VirtualTime& time_;
    std::map<os::HANDLE, Proc> processes_;
    os::HANDLE nextHandle_ = 0x9000;
};

class FakeHotKeys : public os::HotKeys {
public:
    os::ATOM GlobalAddAtom(const std::string& name) override;
    bool RegisterHotKey(os::HWND window, int id, os::UINT modifiers, os::UINT virtualKey) override;
    bool UnregisterHotKey(os::HWND window, int id) override;

    struct Registration {
        os::HWND Window;
        int Id;
        os::UINT Modifiers;
        os::UINT Key;
    };
    std::vector<Registration> Registered;
    std::set<std::pair<os::UINT, os::UINT>> HeldElsewhere; // (modifiers, key) taken by others
    std::map<std::string, os::ATOM> Atoms;

    // Presses a key: a registered hot key sends WM_HOTKEY to its window. True when it did.
    bool Press(os::UINT modifiers, os::UINT virtualKey, os::MessageLoop& loop);
};

// Libraries through the real dynamic loader, so a test library can be loaded for real.
class FakeLibraries : public os::Libraries {
public:
    os::HMODULE LoadLibrary(const std::string& name) override;
    void* GetProcAddress(os::HMODULE module, const std::string& name) override;
    bool FreeLibrary(os::HMODULE module) override;
    os::DWORD GetLastError() override { return lastError_; }
    std::string SysErrorMessage(os::DWORD code) override;

    std::vector<std::string> LoadAttempts;
    int LoadedCount() const { return loaded_; }

private:
    os::DWORD lastError_ = 0;
    int loaded_ = 0;
};

// A scripted audio device: files play for a set length in virtual time and notify when done.
class FakeMci : public os::Mci {
public:
    explicit FakeMci(FakeMessageLoop& loop, VirtualTime& time) : loop_(loop), time_(time) {}
    os::MCIERROR Open(const std::string& deviceType, const std::string& elementName,
                      os::DWORD flags, os::HWND callback, os::MCIDEVICEID& deviceId) override;
    os::MCIERROR Play(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback, os::DWORD from,
                      os::DWORD to) override;
    os::MCIERROR Stop(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback) override;
    os::MCIERROR Pause(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback) override;
    os::MCIERROR Resume(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback) override;
    os::MCIERROR Close(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback) override;
    os::MCIERROR Seek(os::MCIDEVICEID id, os::DWORD flags, os::DWORD to,
                      os::HWND callback) override;
    os::MCIERROR Status(os::MCIDEVICEID id, os::DWORD flags, os::DWORD item,
                        os::DWORD& value) override;
    os::MCIERROR GetDevCaps(os::MCIDEVICEID id, os::DWORD flags, os::DWORD item,
                            os::DWORD& value) override;
    bool GetErrorString(os::MCIERROR error, std::string& text) override;

    struct Command {
        std::string Name; // "open", "play", "stop", "close", "seek", "pause", "resume"
        os::MCIDEVICEID Id;
        os::DWORD Flags;
        std::string Element;
        std::string DeviceType; // open: the type name sent
    };
    std::vector<Command> Commands;
    // Length in ms of files that open; a file not listed fails to open with MCIERR_INVALID_FILE,
    // unless AnyFileOpens.
    std::map<std::string, os::DWORD> Lengths;
    bool AnyFileOpens = false;
    os::DWORD DefaultLength = 60000;
    bool PlayFails = false;
    // Plays that never advance: the device reports playing at position 0 for ever and never
    // notifies (a sequencer without a MIDI output device).
    bool PlayStalls = false;
    bool CloseFails = false;
    os::MCIERROR OpenError = 0; // when set, every open fails with it
    std::size_t OpenDeviceCount() const { return devices_.size(); }
    // Moves the playing device's position with virtual time; call after time moved.
    void Update();

private:
    struct Device {
        std::string Element;
        os::DWORD Length;
        os::DWORD Position;
        bool Playing;
        std::uint64_t PlayStartedAt;
        os::DWORD PlayStartPosition;
        os::HWND Callback;
        bool NotifyPending;
        bool Paused = false;
    };
    void Notify(os::HWND callback, os::WPARAM code, os::MCIDEVICEID id);
    FakeMessageLoop& loop_;
    VirtualTime& time_;
    std::map<os::MCIDEVICEID, Device> devices_;
    os::MCIDEVICEID nextId_ = 1;
};

// The whole fake system, installed as the current platform while it lives. Its program folder
// is a fresh temporary folder, removed again at the end.
class FakePlatform : public os::Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    os::Clock& GetClock() override { return Clock; }
    os::FileSystem& Files() override { return Files_; }
    os::ProfileStore& Profile() override { return Profile_; }
    os::SystemInfo& System() override { return System_; }
    os::AutoRunStore& AutoRun() override { return AutoRun_; }
    os::ProcessLauncher& Process() override { return Process_; }
    os::MessageLoop& Loop() override { return Loop_; }
    os::Shell& GetShell() override { return Shell_; }
    os::HotKeys& Keys() override { return Keys_; }
    os::Libraries& Libs() override { return Libs_; }
    os::Mci& Media() override { return Media_; }
    ui::TPeerFactory* Peers() override { return &Peers_; }

    // The temporary root; the program folder is Path("Program/"), the executable in it. Paths
    // use the system's separator (os::PathDelim), as the program's own do.
    std::string Root;
    std::string ProgramDir() const; // with the final separator
    // The full path of a path below the root written with '/'.
    std::string Path(const std::string& relativePath) const;
    // Writes a file below the root (folders created); returns its full path.
    std::string WriteFile(const std::string& relativePath, const std::string& content);
    std::string ReadFile(const std::string& fullPath) const;
    // Moves virtual time (and the audio device) forward.
    void Advance(std::uint64_t ms);

    VirtualTime Time;
    FakeClock Clock{Time};
    FakeMessageLoop Loop_{Time};
    FakeShell Shell_{Loop_};
    FakeSystemInfo System_;
    FakeAutoRun AutoRun_;
    FakeProcess Process_{Loop_, Time};
    FakeHotKeys Keys_;
    FakeLibraries Libs_;
    FakeMci Media_{Loop_, Time};
    HeadlessPeerFactory Peers_;
    os::StdFileSystem Files_;
    os::ProfileFileStore Profile_{[this] { return System_.WindowsDir; }};

private:
    std::unique_ptr<os::ScopedPlatform> installed_;
};

} // namespace fake
