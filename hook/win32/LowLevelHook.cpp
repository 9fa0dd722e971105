// The hook library on Windows. The low-level keyboard and mouse hooks run in a thread of the
// library's own with its own message loop: the system calls a low-level hook in the thread
// that installed it, so nothing is injected into other programs. Each event is posted to the
// registered receivers (never sent: a hook must return within the system's time-out whatever
// the receiver is doing).
//
// Unloading never waits for anything. The hook thread holds a reference to this library of its
// own and leaves through FreeLibraryAndExitThread, so the code stays mapped for as long as the
// thread runs, whoever frees the library first. The thread ends when nobody listens any more:
// when the last receiver detaches, or when the windows of the remaining ones have gone (the
// program destroys its receiver windows without telling the library; the next event finds
// that out). DllMain only closes a handle.

#include "Hook.h"
#include "HookEvents.h"
#include "Receivers.h"

#include <windows.h>

#include <bitset>
#include <cstdint>
#include <vector>

namespace {

// Thread message: look whether anyone still listens, and end the thread if not.
constexpr UINT WM_HOOK_CHECK = WM_APP + 1;

struct HookState {
    CRITICAL_SECTION LifeLock;       // serialises AttachReceiver and DetachReceiver
    SRWLOCK ListLock = SRWLOCK_INIT; // guards Receivers and ThreadId; the hook thread takes it too
    hook::ReceiverList Receivers;
    DWORD ThreadId = 0;      // the hook thread that delivers; 0 when none does
    HANDLE Thread = nullptr; // the last hook thread started (possibly still ending)
    LONG LastCode = HOOK_OK;
};

HookState State;

// Keys held down: only the hook thread touches them, and one hook thread runs at a time.
std::bitset<256> KeysDown;

struct StartInfo {
    HMODULE Self = nullptr;
    HANDLE Ready = nullptr;
    DWORD Result = 0;
};

class ListGuard {
public:
    explicit ListGuard(bool exclusive) : exclusive_(exclusive) {
        if (exclusive_)
            AcquireSRWLockExclusive(&State.ListLock);
        else
            AcquireSRWLockShared(&State.ListLock);
    }
    ~ListGuard() {
        if (exclusive_)
            ReleaseSRWLockExclusive(&State.ListLock);
        else
            ReleaseSRWLockShared(&State.ListLock);
    }
    ListGuard(const ListGuard&) = delete;
    ListGuard& operator=(const ListGuard&) = delete;

private:
    bool exclusive_;
};

HWND ToWindow(std::uintptr_t window) {
    return reinterpret_cast<HWND>(window);
}

// Window handles are 32-bit values that the system sign-extends to the pointer's width.
std::uintptr_t FromContract(int window) {
    return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(window));
}

bool WindowAlive(std::uintptr_t window) {
    return IsWindow(ToWindow(window)) != 0;
}

void Deliver(int kind, unsigned code, WPARAM wParam, LPARAM lParam) {
    std::vector<std::uintptr_t> windows;
    {
        ListGuard lock(false);
        windows = State.Receivers.WindowsOf(kind);
    }
    bool dropped = false;
    for (std::uintptr_t window : windows) {
        if (PostMessageW(ToWindow(window), WM_USER + code, wParam, lParam))
            continue;
        // A full queue is no reason to drop anyone; a window that has gone is.
        if (WindowAlive(window))
            continue;
        ListGuard lock(true);
        State.Receivers.RemoveWindow(window);
        dropped = true;
    }
    if (dropped)
        PostThreadMessageW(GetCurrentThreadId(), WM_HOOK_CHECK, 0, 0);
}

LRESULT CALLBACK KeyboardProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const DWORD vk = key->vkCode & 0xFF;
        const bool released = (key->flags & LLKHF_UP) != 0;
        // Held keys repeat as further key-downs: those were down before.
        const bool wasDown = released || KeysDown.test(vk);
        KeysDown.set(vk, !released);
        const hook::ScanCode scan{key->scanCode & 0xFF, (key->flags & LLKHF_EXTENDED) != 0};
        const std::uint32_t flags =
            hook::KeystrokeFlags(1, scan, (key->flags & LLKHF_ALTDOWN) != 0, wasDown, released);
        Deliver(HOOK_KEYBOARD, 0, key->vkCode,
                static_cast<LPARAM>(static_cast<std::int32_t>(flags)));
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

LRESULT CALLBACK MouseProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION) {
        const auto* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        const int code = hook::MouseCodeFromMessage(static_cast<unsigned>(wParam));
        if (code >= 0) {
            const HWND under = WindowFromPoint(mouse->pt);
            Deliver(HOOK_MOUSE, static_cast<unsigned>(code),
                    hook::PackPoint(mouse->pt.x, mouse->pt.y), reinterpret_cast<LPARAM>(under));
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// True when nobody listens any more; the thread is then no longer the delivering one.
bool NobodyListens() {
    ListGuard lock(true);
    State.Receivers.Prune(WindowAlive);
    if (!State.Receivers.Empty())
        return false;
    if (State.ThreadId == GetCurrentThreadId())
        State.ThreadId = 0;
    return true;
}

DWORD WINAPI HookThread(LPVOID param) {
    auto* start = static_cast<StartInfo*>(param);
    const HMODULE self = start->Self;
    KeysDown.reset();
    MSG msg;
    // Makes the thread's queue, so that a check posted from now on is not lost.
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, self, 0);
    HHOOK mouse =
        keyboard != nullptr ? SetWindowsHookExW(WH_MOUSE_LL, MouseProc, self, 0) : nullptr;
    start->Result = mouse != nullptr ? 0 : GetLastError();
    if (start->Result == 0 && mouse == nullptr)
        start->Result = ERROR_HOOK_NOT_INSTALLED;
    const bool installed = mouse != nullptr;
    SetEvent(start->Ready); // the starter's StartInfo is not touched after this
    if (installed) {
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == nullptr && msg.message == WM_HOOK_CHECK && NobodyListens())
                break;
            DispatchMessageW(&msg);
        }
    }
    if (mouse != nullptr)
        UnhookWindowsHookEx(mouse);
    if (keyboard != nullptr)
        UnhookWindowsHookEx(keyboard);
    FreeLibraryAndExitThread(self, 0);
}

// Waits for a hook thread that has stopped delivering to be gone, so that two threads never
// share the per-thread key state. Called outside the list lock: the ending thread needs none.
void ForgetEndedThread() {
    if (State.Thread == nullptr)
        return;
    WaitForSingleObject(State.Thread, INFINITE);
    CloseHandle(State.Thread);
    State.Thread = nullptr;
}

// Starts the hook thread with both hooks installed; 0 or a system error code.
DWORD StartHookThread() {
    ForgetEndedThread();
    StartInfo start;
    // The thread's own reference to this library, given back as the thread ends.
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&HookThread), &start.Self))
        return GetLastError();
    start.Ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (start.Ready == nullptr) {
        DWORD error = GetLastError();
        FreeLibrary(start.Self);
        return error;
    }
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &HookThread, &start, 0, &threadId);
    if (thread == nullptr) {
        DWORD error = GetLastError();
        CloseHandle(start.Ready);
        FreeLibrary(start.Self);
        return error;
    }
    WaitForSingleObject(start.Ready, INFINITE);
    CloseHandle(start.Ready);
    State.Thread = thread;
    if (start.Result != 0) {
        ForgetEndedThread(); // it ends by itself, reference and all
        return start.Result;
    }
    ListGuard lock(true);
    State.ThreadId = threadId;
    return 0;
}

int Finish(int code) {
    InterlockedExchange(&State.LastCode, code);
    return code;
}

struct LifeLock {
    LifeLock() { EnterCriticalSection(&State.LifeLock); }
    ~LifeLock() { LeaveCriticalSection(&State.LifeLock); }
    LifeLock(const LifeLock&) = delete;
    LifeLock& operator=(const LifeLock&) = delete;
};

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        InitializeCriticalSection(&State.LifeLock);
        break;
    case DLL_PROCESS_DETACH:
        // Unloaded by FreeLibrary: no hook thread runs any more (each holds a reference), so
        // only the handles are left. At process end nothing needs doing.
        if (reserved == nullptr) {
            if (State.Thread != nullptr)
                CloseHandle(State.Thread);
            DeleteCriticalSection(&State.LifeLock);
        }
        break;
    default:
        break;
    }
    return TRUE;
}

HOOK_EXPORT int HOOK_CALL AttachReceiver(int kind, int window, int allowFiltering) {
    kind &= 0xFF;
    const std::uintptr_t handle = FromContract(window);
    if (kind != HOOK_KEYBOARD && kind != HOOK_MOUSE)
        return Finish(ERROR_INVALID_PARAMETER);
    if (handle == 0 || !WindowAlive(handle))
        return Finish(ERROR_INVALID_WINDOW_HANDLE);

    LifeLock life;
    bool start = false;
    {
        ListGuard lock(true);
        State.Receivers.Prune(WindowAlive);
        // Filtering is accepted and kept, but events are posted, so no answer withholds one.
        const int code = State.Receivers.Add({kind, handle, (allowFiltering & 0xFF) != 0});
        if (code != HOOK_OK)
            return Finish(code);
        start = State.ThreadId == 0;
    }
    if (start) {
        const DWORD error = StartHookThread();
        if (error != 0) {
            ListGuard lock(true);
            State.Receivers.Remove(kind, handle);
            return Finish(static_cast<int>(error));
        }
    }
    return Finish(HOOK_OK);
}

HOOK_EXPORT int HOOK_CALL DetachReceiver(int kind, int window) {
    LifeLock life;
    ListGuard lock(true);
    if (!State.Receivers.Remove(kind & 0xFF, FromContract(window)))
        return Finish(HOOK_NOT_REGISTERED);
    // The thread ends by itself; nothing here waits for it.
    if (State.Receivers.Empty() && State.ThreadId != 0)
        PostThreadMessageW(State.ThreadId, WM_HOOK_CHECK, 0, 0);
    return Finish(HOOK_OK);
}

HOOK_EXPORT int HOOK_CALL LastError(void) {
    return static_cast<int>(InterlockedCompareExchange(&State.LastCode, 0, 0));
}

} // extern "C"
