// Shows the Options or the About dialog on the Win32 peers, without the rest of the program:
// the system's own services where the realisation has them, small stand-ins for the message
// loop, the shell and the audio device. A timer ticks on a hidden window while the dialog is
// open and writes its count to "<program folder>ticks.txt", so a test sees that the dialog's
// nested loop keeps the program's timers running.
//
//   DialogHost.exe option|about
#include "dialogs/FormAbout.h"
#include "dialogs/FormOption.h"
#include "os/Platform.h"
#include "os/win32/peers/Win32Peers.h"
#include "os/win32/Win32AutoRun.h"
#include "os/win32/Win32Clock.h"
#include "os/win32/Win32FileDialog.h"
#include "os/win32/Win32FileSystem.h"
#include "os/win32/Win32Libraries.h"
#include "os/win32/Win32Process.h"
#include "os/win32/Win32Profile.h"
#include "os/win32/Win32SystemInfo.h"
#include "settings/Localisation.h"
#include "settings/Settings.h"
#include "settings/Utilities.h"
#include "ui/Forms.h"

#include "os/win32/Win32Windows.h"

// The interface's names, not the headers' A/W macros.
#undef PostMessage
#undef SendMessage
#undef RegisterWindowMessage
#undef Shell_NotifyIcon
#undef MessageBox
#undef GlobalAddAtom

#include <fstream>
#include <map>
#include <string>

namespace {

class HostLoop : public os::MessageLoop {
public:
    HostLoop() {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &HostLoop::Proc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VistrelDialogHost";
        ::RegisterClassExA(&windowClass);
    }
    os::HWND CreateMessageWindow(os::WindowProc proc) override {
        ::HWND window = ::CreateWindowExA(0, "VistrelDialogHost", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, ::GetModuleHandleA(nullptr), nullptr);
        if (window)
            procs()[window] = std::move(proc);
        return reinterpret_cast<os::HWND>(window);
    }
    void DestroyWindow(os::HWND window) override {
        procs().erase(reinterpret_cast<::HWND>(window));
        ::DestroyWindow(reinterpret_cast<::HWND>(window));
    }
    bool IsWindow(os::HWND window) override { return ::IsWindow(reinterpret_cast<::HWND>(window)); }
    os::HWND ApplicationWindow() override {
        if (!app_)
            app_ = CreateMessageWindow([](os::UINT, os::WPARAM, os::LPARAM) { return 0; });
        return app_;
    }
    int HookApplicationWindow(AppHook) override { return 1; }
    void UnhookApplicationWindow(int) override {}
    bool PostMessage(os::HWND window, os::UINT msg, os::WPARAM w, os::LPARAM l) override {
        return ::PostMessageA(reinterpret_cast<::HWND>(window), msg, w, l);
    }
    os::LRESULT SendMessage(os::HWND window, os::UINT msg, os::WPARAM w, os::LPARAM l) override {
        return ::SendMessageA(reinterpret_cast<::HWND>(window), msg, w, l);
    }
    os::UINT RegisterWindowMessage(const std::string& name) override {
        return ::RegisterWindowMessageA(name.c_str());
    }
    bool SetTimer(os::HWND window, os::WPARAM id, os::UINT ms) override {
        return ::SetTimer(reinterpret_cast<::HWND>(window), id, ms, nullptr) != 0;
    }
    bool KillTimer(os::HWND window, os::WPARAM id) override {
        return ::KillTimer(reinterpret_cast<::HWND>(window), id);
    }
    void ProcessMessages() override {
        MSG message{};
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    int Run() override { return 0; }
    void Terminate(int) override {}
    bool Terminated() override { return false; }
    bool GetCursorPos(os::TPoint& point) override {
        POINT p{};
        if (!::GetCursorPos(&p))
            return false;
        point = {p.x, p.y};
        return true;
    }
    short GetAsyncKeyState(int key) override { return ::GetAsyncKeyState(key); }
    os::UINT GetDoubleClickTime() override { return ::GetDoubleClickTime(); }
    bool SetForegroundWindow(os::HWND window) override {
        return ::SetForegroundWindow(reinterpret_cast<::HWND>(window));
    }
    void BringToFront() override {}

private:
    static std::map<::HWND, os::WindowProc>& procs() {
        static std::map<::HWND, os::WindowProc> map;
        return map;
    }
    static LRESULT CALLBACK Proc(::HWND window, UINT msg, WPARAM w, LPARAM l) {
        auto it = procs().find(window);
        if (it != procs().end()) {
            auto proc = it->second;
            if (const os::MessageResult result = proc(msg, w, l))
                return *result;
        }
        return ::DefWindowProcA(window, msg, w, l);
    }
    os::HWND app_ = 0;
};

class HostShell : public os::Shell {
public:
    bool Shell_NotifyIcon(os::DWORD, const os::NotifyIconData&) override { return true; }
    int TrackPopupMenu(const std::vector<os::MenuEntry>&, os::TPoint, os::HWND) override {
        return 0;
    }
    os::HICON LoadIconResource(const std::string&) override { return 0; }
    void DestroyIcon(os::HICON) override {}
    int MessageBox(os::HWND owner, const std::string& text, const std::string& caption,
                   os::UINT flags) override {
        return ::MessageBoxA(reinterpret_cast<::HWND>(owner), text.c_str(), caption.c_str(), flags);
    }
    bool GetOpenFileName(os::OpenFileName& request) override {
        return os::Win32GetOpenFileName(request);
    }
};

class HostKeys : public os::HotKeys {
public:
    os::ATOM GlobalAddAtom(const std::string&) override { return 1; }
    bool RegisterHotKey(os::HWND, int, os::UINT, os::UINT) override { return false; }
    bool UnregisterHotKey(os::HWND, int) override { return false; }
};

// An audio device that opens everything and plays nothing.
class HostMci : public os::Mci {
public:
    os::MCIERROR Open(const std::string&, const std::string&, os::DWORD, os::HWND,
                      os::MCIDEVICEID& id) override {
        id = 1;
        return 0;
    }
    os::MCIERROR Play(os::MCIDEVICEID, os::DWORD, os::HWND, os::DWORD, os::DWORD) override {
        return 0;
    }
    os::MCIERROR Stop(os::MCIDEVICEID, os::DWORD, os::HWND) override { return 0; }
    os::MCIERROR Pause(os::MCIDEVICEID, os::DWORD, os::HWND) override { return 0; }
    os::MCIERROR Resume(os::MCIDEVICEID, os::DWORD, os::HWND) override { return 0; }
    os::MCIERROR Close(os::MCIDEVICEID, os::DWORD, os::HWND) override { return 0; }
    os::MCIERROR Seek(os::MCIDEVICEID, os::DWORD, os::DWORD, os::HWND) override { return 0; }
    os::MCIERROR Status(os::MCIDEVICEID, os::DWORD, os::DWORD, os::DWORD& value) override {
        value = 0;
        return 0;
    }
    os::MCIERROR GetDevCaps(os::MCIDEVICEID, os::DWORD, os::DWORD, os::DWORD& value) override {
        value = 1;
        return 0;
    }
    bool GetErrorString(os::MCIERROR, std::string& text) override {
        text = "no device";
        return true;
    }
};

class HostPlatform : public os::Platform {
public:
    os::Clock& GetClock() override { return clock_; }
    os::FileSystem& Files() override { return files_; }
    os::ProfileStore& Profile() override { return profile_; }
    os::SystemInfo& System() override { return system_; }
    os::AutoRunStore& AutoRun() override { return autoRun_; }
    os::ProcessLauncher& Process() override { return process_; }
    os::MessageLoop& Loop() override { return loop_; }
    os::Shell& GetShell() override { return shell_; }
    os::HotKeys& Keys() override { return keys_; }
    os::Libraries& Libs() override { return libs_; }
    os::Mci& Media() override { return mci_; }
    ui::TPeerFactory* Peers() override { return &peers_; }

private:
    os::Win32Clock clock_;
    os::Win32FileSystem files_;
    os::Win32Profile profile_;
    os::Win32SystemInfo system_;
    os::Win32AutoRun autoRun_;
    os::Win32Process process_;
    HostLoop loop_;
    HostShell shell_;
    HostKeys keys_;
    os::Win32Libraries libs_;
    HostMci mci_;
    os::Win32PeerFactory peers_;
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    HostPlatform platform;
    os::ScopedPlatform installed(platform);
    settings::TVLSettings stored;
    settings::LoadSettings(stored); // CurrentLanguage and the messages, as the program has them

    const std::string ticksFile = settings::GetExeDir() + "ticks.txt";
    int ticks = 0;
    os::MessageLoop& loop = platform.Loop();
    os::HWND timerWindow = loop.CreateMessageWindow([&](os::UINT msg, os::WPARAM, os::LPARAM) {
        if (msg == WM_TIMER)
            std::ofstream(ticksFile, std::ios::trunc) << ++ticks << "\n";
        return os::LRESULT{0};
    });
    loop.SetTimer(timerWindow, 1, 100);

    const std::string which = commandLine ? commandLine : "";
    if (which.find("about") != std::string::npos)
        ui::CreateForm<dialogs::TAboutForm>()->ShowModal();
    else
        ui::CreateForm<dialogs::TOptionForm>()->ShowModal();
    loop.KillTimer(timerWindow, 1);
    loop.DestroyWindow(timerWindow);
    return 0;
}
