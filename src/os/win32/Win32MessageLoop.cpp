#include "os/win32/Win32MessageLoop.h"

#include "os/win32/Win32Windows.h"

#include <vector>

namespace os {

namespace {

constexpr const char* WindowClassName = "VistrelMessageWindow";

// The one loop of the process; the window class's procedure reaches it here.
Win32MessageLoop* activeLoop = nullptr;

::HWND Native(os::HWND window) {
    return reinterpret_cast<::HWND>(window);
}

os::HWND Portable(::HWND window) {
    return reinterpret_cast<os::HWND>(window);
}

LRESULT CALLBACK MessageWindowProc(::HWND window, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam) {
    if (activeLoop != nullptr) {
        bool handled = false;
        const os::LRESULT result =
            activeLoop->Dispatch(Portable(window), msg, wParam, lParam, handled);
        if (handled)
            return result;
    }
    return ::DefWindowProcA(window, msg, wParam, lParam);
}

::HINSTANCE Instance() {
    return ::GetModuleHandleA(nullptr);
}

::HWND CreateHiddenWindow(const char* title) {
    // A top-level window that is never shown: unlike a message-only window it also receives
    // the system's broadcasts.
    ::HWND window = ::CreateWindowExA(0, WindowClassName, title, WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, Instance(), nullptr);
    if (window == nullptr)
        return nullptr;
    // No taskbar button and no entry in the task switcher.
    const LONG_PTR style = ::GetWindowLongPtrA(window, GWL_EXSTYLE);
    ::SetWindowLongPtrA(window, GWL_EXSTYLE, style | WS_EX_TOOLWINDOW);
    return window;
}

} // namespace

Win32MessageLoop::Win32MessageLoop() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MessageWindowProc;
    windowClass.hInstance = Instance();
    windowClass.lpszClassName = WindowClassName;
    // A second loop in one process (tests) finds the class registered already.
    if (::RegisterClassExA(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return;
    activeLoop = this;
    appWindow_ = Portable(CreateHiddenWindow("Vistrel"));
}

Win32MessageLoop::~Win32MessageLoop() {
    std::vector<HWND> windows;
    for (const auto& [window, proc] : windows_)
        windows.push_back(window);
    for (HWND window : windows)
        DestroyWindow(window);
    if (appWindow_ != 0)
        ::DestroyWindow(Native(appWindow_));
    if (activeLoop == this)
        activeLoop = nullptr;
}

HWND Win32MessageLoop::CreateMessageWindow(WindowProc proc) {
    // Creation messages go to the default procedure; the handler sees the window from here on.
    ::HWND window = CreateHiddenWindow("");
    if (window == nullptr)
        return 0;
    windows_[Portable(window)] = std::make_shared<WindowProc>(std::move(proc));
    return Portable(window);
}

void Win32MessageLoop::DestroyWindow(HWND window) {
    if (windows_.erase(window) == 0)
        return;
    std::erase_if(translators_,
                  [window](const auto& entry) { return entry.first.first == window; });
    ::DestroyWindow(Native(window)); // its timers go with it
}

bool Win32MessageLoop::IsWindow(HWND window) {
    return window == appWindow_ || windows_.count(window) != 0;
}

int Win32MessageLoop::HookApplicationWindow(AppHook hook) {
    const int id = nextHook_++;
    appHooks_[id] = std::move(hook);
    return id;
}

void Win32MessageLoop::UnhookApplicationWindow(int hookId) {
    appHooks_.erase(hookId);
}

void Win32MessageLoop::TranslateWParam(HWND window, UINT msg, WParamTranslator translator) {
    if (translator)
        translators_[{window, msg}] = std::move(translator);
    else
        translators_.erase({window, msg});
}

LRESULT Win32MessageLoop::Dispatch(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                   bool& handled) {
    handled = false;
    if (window == appWindow_)
        return ApplicationProc(msg, wParam, lParam, handled);
    const auto found = windows_.find(window);
    if (found == windows_.end())
        return 0;
    if (const auto t = translators_.find({window, msg}); t != translators_.end())
        wParam = t->second(wParam);
    const auto proc = found->second; // keeps the handler alive if the window goes meanwhile
    const MessageResult result = (*proc)(msg, wParam, lParam);
    handled = result.has_value();
    return result.value_or(0);
}

LRESULT Win32MessageLoop::ApplicationProc(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    const auto hooks = appHooks_; // a hook may remove itself
    for (const auto& [id, hook] : hooks)
        if (appHooks_.count(id) != 0)
            hook(msg, wParam, lParam);
    switch (msg) {
    case WM_QUERYENDSESSION:
        handled = true;
        return TRUE; // the program never holds up the end of the session
    case WM_ENDSESSION:
        // The system may end the process as soon as this returns: close now.
        if (wParam != FALSE)
            EndSession();
        handled = true;
        return 0;
    case WM_CLOSE:
        // Asked to close from outside (a task manager): close as the Exit command does,
        // never by destroying the window under the running program.
        EndSession();
        handled = true;
        return 0;
    default:
        return 0; // the rest, monitor power included, is the default procedure's
    }
}

void Win32MessageLoop::SetEndSessionHandler(std::function<void()> handler) {
    endSession_ = std::move(handler);
}

void Win32MessageLoop::EndSession() {
    if (endSession_) {
        auto handler = endSession_; // the handler may replace itself
        handler();
    }
}

bool Win32MessageLoop::PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(Native(window), msg, wParam, lParam) != 0;
}

LRESULT Win32MessageLoop::SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(Native(window), msg, wParam, lParam);
}

UINT Win32MessageLoop::RegisterWindowMessage(const std::string& name) {
    return ::RegisterWindowMessageA(name.c_str());
}

bool Win32MessageLoop::SetTimer(HWND window, WPARAM id, UINT intervalMs) {
    if (!IsWindow(window))
        return false;
    // The id is pointer-wide on 64-bit Windows too, so no identity is cut.
    return ::SetTimer(Native(window), id, intervalMs, nullptr) != 0;
}

bool Win32MessageLoop::KillTimer(HWND window, WPARAM id) {
    return ::KillTimer(Native(window), id) != 0;
}

void Win32MessageLoop::ProcessMessages() {
    MSG message{};
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the outer loop, which ends on it.
            terminated_ = true;
            exitCode_ = static_cast<int>(message.wParam);
            ::PostQuitMessage(exitCode_);
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

int Win32MessageLoop::Run() {
    MSG message{};
    while (!terminated_) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            terminated_ = true;
            exitCode_ = static_cast<int>(message.wParam);
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    // A quit still waiting (Terminate ended the loop first) must not end a later loop.
    while (::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return exitCode_;
}

void Win32MessageLoop::Terminate(int exitCode) {
    terminated_ = true;
    exitCode_ = exitCode;
    ::PostQuitMessage(exitCode);
}

bool Win32MessageLoop::GetCursorPos(TPoint& point) {
    POINT at{};
    if (!::GetCursorPos(&at))
        return false;
    point = TPoint{at.x, at.y};
    return true;
}

short Win32MessageLoop::GetAsyncKeyState(int virtualKey) {
    return ::GetAsyncKeyState(virtualKey);
}

UINT Win32MessageLoop::GetDoubleClickTime() {
    return ::GetDoubleClickTime();
}

bool Win32MessageLoop::SetForegroundWindow(HWND window) {
    return ::SetForegroundWindow(Native(window)) != 0;
}

void Win32MessageLoop::BringToFront() {
    // The first visible window of the program in Z order, and the dialog it has open.
    ::HWND front = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](::HWND window, ::LPARAM found) -> BOOL {
            if (!::IsWindowVisible(window))
                return TRUE;
            *reinterpret_cast<::HWND*>(found) = window;
            return FALSE;
        },
        reinterpret_cast<::LPARAM>(&front));
    if (front != nullptr)
        ::SetForegroundWindow(::GetLastActivePopup(front));
}

HWND Win32MessageLoop::GetActiveWindow() {
    return Portable(::GetActiveWindow());
}

} // namespace os
