// The Windows message loop, the tray's id mapping and the hot key, on the real Win32 API.
#include "os/win32/Win32HotKeys.h"
#include "os/win32/Win32MessageLoop.h"
#include "os/win32/Win32Shell.h"

#include "os/win32/Win32Windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Seen {
    os::UINT Msg;
    os::WPARAM WParam;
};

class Win32LoopTest : public ::testing::Test {
protected:
    // Runs the loop, but never longer than the deadline: a test that hangs fails instead.
    int RunBounded(os::UINT deadlineMs = 5000) {
        os::HWND guard = Loop.CreateMessageWindow([this](os::UINT msg, os::WPARAM, os::LPARAM) {
            if (msg != WM_TIMER)
                return os::MessageResult{};
            TimedOut = true;
            Loop.Terminate(-1);
            return os::MessageResult{0};
        });
        Loop.SetTimer(guard, 1, deadlineMs);
        int code = Loop.Run();
        Loop.DestroyWindow(guard);
        return code;
    }

    os::Win32MessageLoop Loop;
    bool TimedOut = false;
};

TEST_F(Win32LoopTest, TimersTickUntilKilledAndPostsArriveInOrder) {
    std::vector<Seen> seen;
    os::HWND window = 0;
    window = Loop.CreateMessageWindow([&](os::UINT msg, os::WPARAM w, os::LPARAM) {
        if (msg != WM_TIMER && msg < WM_USER)
            return os::MessageResult{};
        seen.push_back({msg, w});
        // A full pointer-wide timer id comes back whole.
        if (msg == WM_TIMER && w == (os::WPARAM{0xABCD} << 36) && seen.size() >= 6) {
            Loop.KillTimer(window, w);
            Loop.PostMessage(window, WM_USER + 9, 0, 0);
        }
        if (msg == WM_USER + 9)
            Loop.Terminate(7);
        return os::MessageResult{0};
    });
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(Loop.SetTimer(window, os::WPARAM{0xABCD} << 36, 20));
    ASSERT_TRUE(Loop.PostMessage(window, WM_USER + 1, 1, 0));
    ASSERT_TRUE(Loop.PostMessage(window, WM_USER + 2, 2, 0));

    EXPECT_EQ(RunBounded(), 7);
    EXPECT_FALSE(TimedOut);
    ASSERT_GE(seen.size(), 6u);
    EXPECT_EQ(seen[0].Msg, WM_USER + 1);
    EXPECT_EQ(seen[1].Msg, WM_USER + 2);
    EXPECT_EQ(seen.back().Msg, WM_USER + 9u);
    for (std::size_t i = 2; i + 1 < seen.size(); ++i)
        EXPECT_EQ(seen[i].Msg, WM_TIMER);
    EXPECT_EQ(seen.size(), 7u) << "the timer ticked on after KillTimer";

    // A killed timer stays quiet; a destroyed window takes its timers along.
    ASSERT_TRUE(Loop.SetTimer(window, 5, 10));
    Loop.DestroyWindow(window);
    EXPECT_FALSE(Loop.IsWindow(window));
    EXPECT_FALSE(Loop.PostMessage(window, WM_USER, 0, 0));
}

TEST_F(Win32LoopTest, WhatAHandlerLeavesGetsTheDefaultAnswer) {
    os::HWND window = Loop.CreateMessageWindow([](os::UINT msg, os::WPARAM, os::LPARAM) {
        if (msg == WM_USER + 3)
            return os::MessageResult{42};
        if (msg == WM_GETTEXTLENGTH)
            return os::MessageResult{0}; // answered here: the default never sees it
        return os::MessageResult{};
    });
    ASSERT_NE(window, 0u) << "creation needs the default answer to WM_NCCREATE";
    EXPECT_EQ(Loop.SendMessage(window, WM_USER + 3, 0, 0), 42);

    // WM_SETTEXT is left to the default procedure, which stores the text.
    const char* text = "rest";
    Loop.SendMessage(window, WM_SETTEXT, 0, reinterpret_cast<os::LPARAM>(text));
    char buffer[16] = {};
    ::GetWindowTextA(reinterpret_cast<HWND>(window), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "rest");
    EXPECT_EQ(Loop.SendMessage(window, WM_GETTEXTLENGTH, 0, 0), 0);
    Loop.DestroyWindow(window);
}

TEST_F(Win32LoopTest, NestedProcessingRunsOtherHandlersAndLeavesTheQuitToTheOuterLoop) {
    int ticks = 0;
    int nestedPosts = 0;
    bool insideOuter = false;
    os::HWND window = 0;
    window = Loop.CreateMessageWindow([&](os::UINT msg, os::WPARAM w, os::LPARAM) {
        if (msg == WM_USER + 1) {
            // A handler that waits, pumping messages, as the screen-saver wait does.
            insideOuter = true;
            Loop.PostMessage(window, WM_USER + 2, 0, 0);
            const DWORD start = ::GetTickCount();
            while (ticks < 3 && ::GetTickCount() - start < 3000) {
                ::Sleep(5);
                Loop.ProcessMessages();
            }
            // The program is told to end while still inside the handler.
            Loop.Terminate(3);
            Loop.ProcessMessages();
            EXPECT_TRUE(Loop.Terminated());
            insideOuter = false;
            return os::MessageResult{0};
        }
        if (msg == WM_USER + 2 && insideOuter)
            ++nestedPosts;
        if (msg == WM_TIMER && w == 9 && insideOuter)
            ++ticks;
        if (msg == WM_TIMER || msg >= WM_USER)
            return os::MessageResult{0};
        return os::MessageResult{};
    });
    ASSERT_TRUE(Loop.SetTimer(window, 9, 15));
    Loop.PostMessage(window, WM_USER + 1, 0, 0);

    EXPECT_EQ(RunBounded(), 3);
    EXPECT_FALSE(TimedOut) << "the outer loop did not end after a quit inside a nested loop";
    EXPECT_GE(ticks, 3); // one more may come in before the quit
    EXPECT_EQ(nestedPosts, 1);
    Loop.DestroyWindow(window);
}

TEST_F(Win32LoopTest, ApplicationWindowIsAToolWindowAndEndsTheProgramWithTheSession) {
    os::HWND app = Loop.ApplicationWindow();
    ASSERT_NE(app, 0u);
    HWND native = reinterpret_cast<HWND>(app);
    EXPECT_NE(::GetWindowLongPtrA(native, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_FALSE(::IsWindowVisible(native));

    int ends = 0;
    std::vector<os::UINT> hooked;
    int hook = Loop.HookApplicationWindow(
        [&](os::UINT msg, os::WPARAM, os::LPARAM) { hooked.push_back(msg); });
    Loop.SetEndSessionHandler([&] { ++ends; });

    EXPECT_EQ(Loop.SendMessage(app, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(ends, 0) << "asking is not ending: another program may still refuse";
    Loop.SendMessage(app, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(ends, 0);
    Loop.SendMessage(app, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ends, 1);

    // System commands reach the default procedure: SC_CLOSE comes back as WM_CLOSE, which
    // closes the program as Exit does and leaves the window in place.
    Loop.SendMessage(app, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ends, 2);
    EXPECT_TRUE(::IsWindow(native));
    EXPECT_EQ(hooked.size(), 5u); // the close that the default procedure sent included

    // The shell announces a re-created taskbar by a broadcast to every top-level window; the
    // hidden application window hears it (a message-only window would not).
    const os::UINT taskbar = Loop.RegisterWindowMessage("TaskbarCreated");
    EXPECT_GE(taskbar, 0xC000u);
    EXPECT_EQ(Loop.RegisterWindowMessage("TaskbarCreated"), taskbar);
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, taskbar, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    ASSERT_FALSE(hooked.empty());
    EXPECT_EQ(hooked.back(), taskbar);

    Loop.UnhookApplicationWindow(hook);
    Loop.SetEndSessionHandler(nullptr);
}

TEST_F(Win32LoopTest, TrayCallbackNamesTheIconByItsFullIdentity) {
    constexpr os::UINT Callback = WM_USER + 1024;
    std::vector<os::WPARAM> identities;
    os::HWND window = Loop.CreateMessageWindow([&](os::UINT msg, os::WPARAM w, os::LPARAM) {
        if (msg != Callback)
            return os::MessageResult{};
        identities.push_back(w);
        return os::MessageResult{0};
    });
    os::Win32Shell shell(Loop);
    // Two identities that agree in their low 32 bits.
    const std::uintptr_t first = 0x0000'0012'3456'7890;
    const std::uintptr_t second = 0x0000'0034'3456'7890;
    os::NotifyIconData data;
    data.hWnd = window;
    data.uFlags = NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = Callback;
    for (std::uintptr_t id : {first, second}) {
        data.uID = id;
        shell.Shell_NotifyIcon(NIM_ADD, data); // the id is kept whether or not a tray runs
    }
    const os::UINT firstId = shell.ShellIdOf(window, first);
    const os::UINT secondId = shell.ShellIdOf(window, second);
    ASSERT_NE(firstId, 0u);
    ASSERT_NE(secondId, 0u);
    EXPECT_NE(firstId, secondId);

    // The shell calls back with the 32-bit id, as it does from the notification area.
    ::SendMessageA(reinterpret_cast<HWND>(window), Callback, secondId, WM_MOUSEMOVE);
    ::SendMessageA(reinterpret_cast<HWND>(window), Callback, firstId, WM_MOUSEMOVE);
    ASSERT_EQ(identities.size(), 2u);
    EXPECT_EQ(identities[0], second);
    EXPECT_EQ(identities[1], first);

    // A removed icon's id names nobody any more.
    data.uID = second;
    shell.Shell_NotifyIcon(NIM_DELETE, data);
    ::SendMessageA(reinterpret_cast<HWND>(window), Callback, secondId, WM_MOUSEMOVE);
    EXPECT_EQ(identities.back(), 0u);
    data.uID = first;
    shell.Shell_NotifyIcon(NIM_DELETE, data);
    Loop.DestroyWindow(window);
}

TEST_F(Win32LoopTest, HotKeyHeldByAnotherProgramCannotBeRegisteredUntilReleased) {
    os::Win32HotKeys keys;
    os::HWND window = Loop.CreateMessageWindow(
        [](os::UINT, os::WPARAM, os::LPARAM) { return os::MessageResult{}; });
    const os::ATOM atom = keys.GlobalAddAtom("VistrelHotKeyTest");
    ASSERT_NE(atom, 0);
    EXPECT_EQ(keys.GlobalAddAtom("vistrelhotkeytest"), atom) << "atoms ignore letter case";

    const std::string event = "VistrelTestF4-" + std::to_string(::GetCurrentProcessId());
    HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, event.c_str());
    HANDLE held = ::CreateEventA(nullptr, TRUE, FALSE, (event + "-held").c_str());
    // The holder is built beside this test program.
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string holder = self;
    holder = holder.substr(0, holder.find_last_of('\\') + 1) + "HotKeyHolder.exe";
    std::string command = "\"" + holder + "\" " + event;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process))
        << command;
    ASSERT_EQ(::WaitForSingleObject(held, 10000), WAIT_OBJECT_0) << "the holder did not get F4";

    EXPECT_FALSE(keys.RegisterHotKey(window, atom, 0, VK_F4));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));

    ::SetEvent(done);
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(keys.RegisterHotKey(window, atom, 0, VK_F4));
    EXPECT_TRUE(keys.UnregisterHotKey(window, atom));
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(held);
    ::CloseHandle(done);
    ::GlobalDeleteAtom(atom);
    ::GlobalDeleteAtom(atom);
    Loop.DestroyWindow(window);
}

} // namespace
