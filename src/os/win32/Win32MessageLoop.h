// Message windows, timers and the message loop on the Win32 API. Every message window is a
// hidden top-level window of one class, so it also receives what the system broadcasts
// ("TaskbarCreated", the end of the session). The application window is one of them, marked
// as a tool window so the program has no taskbar button and no task-switcher entry; what it
// does not handle (system commands such as monitor power) goes to DefWindowProc.
#pragma once

#include "os/MessageLoop.h"

#include <map>
#include <memory>
#include <unordered_map>

namespace os {

class Win32MessageLoop : public MessageLoop {
public:
    Win32MessageLoop();
    ~Win32MessageLoop() override;
    Win32MessageLoop(const Win32MessageLoop&) = delete;
    Win32MessageLoop& operator=(const Win32MessageLoop&) = delete;

    HWND CreateMessageWindow(WindowProc proc) override;
    void DestroyWindow(HWND window) override;
    bool IsWindow(HWND window) override;
    HWND ApplicationWindow() override { return appWindow_; }
    int HookApplicationWindow(AppHook hook) override;
    void UnhookApplicationWindow(int hookId) override;

    bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override;
    UINT RegisterWindowMessage(const std::string& name) override;

    bool SetTimer(HWND window, WPARAM id, UINT intervalMs) override;
    bool KillTimer(HWND window, WPARAM id) override;

    void ProcessMessages() override;
    int Run() override;
    void Terminate(int exitCode = 0) override;
    bool Terminated() override { return terminated_; }

    bool GetCursorPos(TPoint& point) override;
    short GetAsyncKeyState(int virtualKey) override;
    UINT GetDoubleClickTime() override;
    bool SetForegroundWindow(HWND window) override;
    void BringToFront() override;
    // The end of the session (WM_ENDSESSION after the system asked) and a plain request to
    // close the application window (WM_CLOSE) run the handler.
    void SetEndSessionHandler(std::function<void()> handler) override;
    HWND GetActiveWindow() override;

    // A message whose wParam the system carries narrower than the program's identities (the
    // tray callback's 32-bit icon id): the translator turns the received wParam back into the
    // identity before the window's handler sees it; an unknown one becomes 0.
    using WParamTranslator = std::function<WPARAM(WPARAM received)>;
    void TranslateWParam(HWND window, UINT msg, WParamTranslator translator);

    // The window procedure of every message window; public for the window class only.
    LRESULT Dispatch(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);

private:
    LRESULT ApplicationProc(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    void EndSession();

    std::unordered_map<HWND, std::shared_ptr<WindowProc>> windows_;
    std::map<std::pair<HWND, UINT>, WParamTranslator> translators_;
    std::map<int, AppHook> appHooks_;
    int nextHook_ = 1;
    HWND appWindow_ = 0;
    bool terminated_ = false;
    int exitCode_ = 0;
    std::function<void()> endSession_;
};

} // namespace os
