// What the Windows tests of the hook library and the audio device run on: the real loader,
// message windows and MCI device, with a plain message loop of the test's own. Services these
// tests never reach stop the test loudly.
#pragma once

#include "os/Platform.h"
#include "os/win32/Win32Libraries.h"
#include "os/win32/Win32Mci.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace wtest {

class TestLoop : public os::MessageLoop {
public:
    TestLoop();
    ~TestLoop() override;
    os::HWND CreateMessageWindow(os::WindowProc proc) override;
    void DestroyWindow(os::HWND window) override;
    bool IsWindow(os::HWND window) override;
    os::HWND ApplicationWindow() override { return 0; }
    int HookApplicationWindow(AppHook) override { return 0; }
    void UnhookApplicationWindow(int) override {}
    bool PostMessage(os::HWND window, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) override;
    os::LRESULT SendMessage(os::HWND window, os::UINT msg, os::WPARAM wParam,
                            os::LPARAM lParam) override;
    os::UINT RegisterWindowMessage(const std::string& name) override;
    bool SetTimer(os::HWND, os::WPARAM, os::UINT) override { return false; }
    bool KillTimer(os::HWND, os::WPARAM) override { return false; }
    void ProcessMessages() override;
    int Run() override { return 0; }
    void Terminate(int) override {}
    bool Terminated() override { return false; }
    bool GetCursorPos(os::TPoint& point) override;
    short GetAsyncKeyState(int) override { return 0; }
    os::UINT GetDoubleClickTime() override { return 500; }
    bool SetForegroundWindow(os::HWND) override { return false; }
    void BringToFront() override {}

    // Handles messages until the condition holds or the time is up; the condition's last value.
    bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs);
    void PumpFor(unsigned ms);

private:
    friend struct LoopAccess;
    std::map<os::HWND, os::WindowProc> procs_;
};

class TestPlatform : public os::Platform {
public:
    TestPlatform();
    ~TestPlatform() override;
    os::Clock& GetClock() override { Unused("clock"); }
    os::FileSystem& Files() override { Unused("files"); }
    os::ProfileStore& Profile() override { Unused("profile"); }
    os::SystemInfo& System() override { Unused("system"); }
    os::AutoRunStore& AutoRun() override { Unused("autorun"); }
    os::ProcessLauncher& Process() override { Unused("process"); }
    os::MessageLoop& Loop() override { return loop_; }
    os::Shell& GetShell() override { Unused("shell"); }
    os::HotKeys& Keys() override { Unused("hot keys"); }
    os::Libraries& Libs() override { return libs_; }
    os::Mci& Media() override { return *mci_; }

    TestLoop& TheLoop() { return loop_; }
    os::Win32Mci& TheMci() { return *mci_; }
    // Ends the audio device (closing what it has open) and makes a fresh one.
    void RenewMci() { mci_ = std::make_unique<os::Win32Mci>(); }

private:
    [[noreturn]] static void Unused(const char* what);
    TestLoop loop_;
    os::Win32Libraries libs_;
    std::unique_ptr<os::Win32Mci> mci_ = std::make_unique<os::Win32Mci>();
    os::ScopedPlatform installed_;
};

// Runs a command of the host system's shell and waits for it, handling the test's messages
// meanwhile; its exit code, or -1 when it could not be started or did not end in time.
int RunHost(const std::string& shellCommand, unsigned timeoutMs = 20000);

// Threads of this process, as the system counts them.
int ThreadCount();

// The folder of the running test program, with a trailing backslash.
std::string ExeDir();

} // namespace wtest
