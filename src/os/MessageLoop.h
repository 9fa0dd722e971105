// Hidden message windows, timers, posted and sent messages, and the loop that drives them.
// Everything runs on the main thread; handlers may run nested loops (ProcessMessages, modal
// dialogs, popup menus), so any handler can be entered while another is still running.
#pragma once

#include "os/Types.h"

#include <functional>
#include <optional>
#include <string>

namespace os {

// A window's answer to a message: a result, or DefaultProcessing to leave the message to the
// system's default handling (DefWindowProc), which answers creation, system commands and the
// like as every window must. Where the system has no default handling the answer is 0.
using MessageResult = std::optional<LRESULT>;
inline constexpr std::nullopt_t DefaultProcessing = std::nullopt;

// A window's message handler. The result is the window's answer to a sent message.
using WindowProc = std::function<MessageResult(UINT msg, WPARAM wParam, LPARAM lParam)>;

class MessageLoop {
public:
    virtual ~MessageLoop() = default;

    // A window without visible parts that only receives messages. 0 when it cannot be made.
    virtual HWND CreateMessageWindow(WindowProc proc) = 0;
    virtual void DestroyWindow(HWND window) = 0;
    virtual bool IsWindow(HWND window) = 0;
    // The program's hidden top-level window that stands for the whole application. Messages
    // reaching it go first to every hook added with HookApplicationWindow.
    virtual HWND ApplicationWindow() = 0;
    using AppHook = std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)>;
    virtual int HookApplicationWindow(AppHook hook) = 0;
    virtual void UnhookApplicationWindow(int hookId) = 0;

    virtual bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    virtual LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // A message number unique to the name, shared by every program ("TaskbarCreated").
    virtual UINT RegisterWindowMessage(const std::string& name) = 0;

    // WM_TIMER with wParam = id every interval milliseconds, without drift.
    virtual bool SetTimer(HWND window, WPARAM id, UINT intervalMs) = 0;
    virtual bool KillTimer(HWND window, WPARAM id) = 0;

    // Handles every message that is pending now, then returns (Application.ProcessMessages).
    virtual void ProcessMessages() = 0;
    // Waits for and handles messages until Terminate is called; returns the exit code.
    virtual int Run() = 0;
    virtual void Terminate(int exitCode = 0) = 0;
    virtual bool Terminated() = 0;

    virtual bool GetCursorPos(TPoint& point) = 0;
    // Negative (high bit set) while the key is down.
    virtual short GetAsyncKeyState(int virtualKey) = 0;
    virtual UINT GetDoubleClickTime() = 0;
    virtual bool SetForegroundWindow(HWND window) = 0;
    // Brings the application's visible windows to the front (Application.BringToFront).
    virtual void BringToFront() = 0;

    // Runs when the system asks the program to end: the user's session ends, or (Linux) the
    // process receives SIGTERM or SIGINT. The program then closes as its Exit command does.
    virtual void SetEndSessionHandler(std::function<void()> handler) { (void)handler; }
    // The program's window that has the keyboard focus, the owner of windows the shell shows
    // on the program's behalf; 0 when none of its windows is active.
    virtual HWND GetActiveWindow() { return 0; }
};

} // namespace os
