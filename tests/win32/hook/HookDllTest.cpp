// Hook.dll under Wine, through the program's own loader and hook components, with real input
// from xdotool on a focused Wine window (the test's own).

#include "Hook.h"
#include "os/Platform.h"
#include "os/win32/Win32Platform.h"
#include "platform/HxSysHookComp.h"
#include "platform/HxSysHookLoader.h"
#include "WineTestSupport.h"

#include "os/win32/Win32Windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using DetachFn = int(__stdcall*)(int, int);

constexpr const char* TargetTitle = "Vistrel hook target";

// An entry point of the loaded hook library.
template <class Function>
Function Export(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("Hook.dll"), name)));
}

struct RawEvent {
    int Code;
    os::WPARAM WParam;
    os::LPARAM LParam;
};

class HookDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string folder = "Z:" VISTREL_PROGRAM_FOLDER;
        for (char& c : folder)
            if (c == '/')
                c = '\\';
        SetDllDirectoryA(folder.c_str());
    }

    void SetUp() override {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = "VistrelHookTarget";
        RegisterClassA(&windowClass);
        target =
            CreateWindowExA(0, "VistrelHookTarget", TargetTitle, WS_POPUP | WS_VISIBLE, 100, 100,
                            300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(target, nullptr);
        wtest::PumpFor(platform.Loop(), 300);
    }

    void TearDown() override {
        if (target != nullptr)
            DestroyWindow(target);
    }

    // Input as the user makes it, on the test's own window once X has focused it.
    void Xdotool(const std::string& actions) {
        std::string command = std::string("xdotool search --sync --name '") + TargetTitle +
                              "' windowfocus --sync %1 " + actions;
        ASSERT_EQ(wtest::RunHost(command), 0) << command;
    }

    // A message window that records what the library posts to it.
    os::HWND RawReceiver(std::vector<RawEvent>& events) {
        return platform.Loop().CreateMessageWindow(
            [&events](os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) -> os::LRESULT {
                events.push_back({static_cast<int>(msg - WM_USER), wParam, lParam});
                return 0;
            });
    }

    static bool HookModuleLoaded() { return GetModuleHandleA("Hook.dll") != nullptr; }
    static int HookThreads() { return wtest::ThreadsStartedIn("Hook.dll"); }

    os::Win32Platform platform;
    os::ScopedPlatform installed{platform};
    HWND target = nullptr;
};

bool Has(const std::vector<RawEvent>& events, int code) {
    for (const RawEvent& e : events)
        if (e.Code == code)
            return true;
    return false;
}

TEST_F(HookDll, KeysClicksWheelAndMotionReachEveryReceiverAsTheirCodes) {
    platform::THxKeyboardHook keyboard(nullptr);
    platform::THxMouseHook mouse(nullptr);
    keyboard.SetHookDLL("Hook.dll");
    mouse.SetHookDLL("Hook.dll");
    struct Key {
        int Vk;
        int Scan;
        bool Pressed;
        bool WasDown;
    };
    std::vector<Key> keys;
    keyboard.OnKeyAction = [&](ui::TComponent*, std::int32_t vk, std::uint16_t repeat,
                               std::uint8_t scan, bool, bool, bool wasDown, bool pressed, bool&) {
        EXPECT_EQ(repeat, 1);
        keys.push_back({vk, scan, pressed, wasDown});
    };
    struct Click {
        ui::TMouseButton Button;
        platform::THxMouseButtonMovement Movement;
        std::uint32_t Source;
    };
    std::vector<Click> clicks;
    mouse.OnMouseClick = [&](ui::TComponent*, std::uint32_t source, std::int32_t, std::int32_t,
                             ui::TMouseButton button, platform::THxMouseButtonMovement movement) {
        clicks.push_back({button, movement, source});
    };
    int moves = 0;
    mouse.OnMouseMove = [&](ui::TComponent*, std::uint32_t, std::int32_t, std::int32_t) {
        ++moves;
    };
    std::string error = "untouched";
    mouse.Activate(error);
    ASSERT_EQ(error, "");
    keyboard.Activate(error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(platform::HookLibraryRefCount(), 2);

    // A second mouse receiver sees the raw messages.
    std::vector<RawEvent> raw;
    os::HWND second = RawReceiver(raw);
    ASSERT_EQ(platform::HookAttachReceiver()(HOOK_MOUSE, static_cast<int>(second), 0), 0);

    Xdotool("mousemove --window %1 150 100 key a click 1 click 3 click 2 mousemove_relative 20 10");
    wtest::PumpUntil(
        platform.Loop(), [&] { return Has(raw, 8) && moves > 0 && keys.size() >= 2; }, 3000);
    wtest::PumpFor(platform.Loop(), 300); // the motion after the clicks
    const std::size_t beforeWheel = raw.size();
    Xdotool("click 4");
    wtest::PumpUntil(
        platform.Loop(), [&] { return raw.size() > beforeWheel; }, 3000);
    ASSERT_GT(raw.size(), beforeWheel) << "the wheel was not reported";
    EXPECT_EQ(raw.back().Code, 0) << "the wheel counts as the mouse being used";
    raw.resize(beforeWheel);

    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys[0].Vk, 'A');
    EXPECT_EQ(keys[0].Scan, 0x1E);
    EXPECT_TRUE(keys[0].Pressed);
    EXPECT_FALSE(keys[0].WasDown);
    EXPECT_EQ(keys[1].Vk, 'A');
    EXPECT_FALSE(keys[1].Pressed);
    EXPECT_TRUE(keys[1].WasDown);

    using M = platform::THxMouseButtonMovement;
    using B = ui::TMouseButton;
    ASSERT_EQ(clicks.size(), 6u);
    const B buttons[] = {B::mbLeft, B::mbLeft, B::mbRight, B::mbRight, B::mbMiddle, B::mbMiddle};
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        EXPECT_EQ(clicks[i].Button, buttons[i]) << i;
        EXPECT_EQ(clicks[i].Movement, i % 2 == 0 ? M::mbmDown : M::mbmUp) << i;
        EXPECT_EQ(clicks[i].Source,
                  static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(target)))
            << "the window under the pointer";
    }
    EXPECT_GT(moves, 0);

    // The raw codes: left 1/2, right 4/5, middle 7/8, in that order; moves are 0, with the point
    // where the pointer is.
    std::vector<int> clickCodes;
    for (const RawEvent& e : raw)
        if (e.Code != 0)
            clickCodes.push_back(e.Code);
    EXPECT_EQ(clickCodes, (std::vector<int>{1, 2, 4, 5, 7, 8}));
    POINT cursor;
    GetCursorPos(&cursor);
    const RawEvent& last = raw.back();
    EXPECT_EQ(last.Code, 0);
    EXPECT_EQ(last.WParam, static_cast<os::WPARAM>(cursor.x | cursor.y << 16));
    EXPECT_EQ(cursor.x, 100 + 150 + 20);
    EXPECT_EQ(cursor.y, 100 + 100 + 10);

    Export<DetachFn>("DetachReceiver")(HOOK_MOUSE, static_cast<int>(second));
    platform.Loop().DestroyWindow(second);
    keyboard.Deactivate();
    mouse.Deactivate();
    EXPECT_FALSE(platform::HookLibraryLoaded());
}

// The program never detaches: it destroys its receiver windows and frees the library. The
// library drops receivers whose windows have gone, ends its thread when none is left, and is
// unloaded then, without anything waiting on anything.
TEST_F(HookDll, ReceiversWhoseWindowsHaveGoneAreDroppedAndTheLibraryUnloadsAfterThem) {
    platform::THxMouseHook mouse(nullptr);
    mouse.SetHookDLL("Hook.dll");
    int moves = 0;
    mouse.OnMouseMove = [&](ui::TComponent*, std::uint32_t, std::int32_t, std::int32_t) {
        ++moves;
    };
    std::string error;
    mouse.Activate(error);
    ASSERT_EQ(error, "");
    std::vector<RawEvent> raw;
    os::HWND dead = RawReceiver(raw);
    auto attach = platform::HookAttachReceiver();
    ASSERT_EQ(attach(HOOK_MOUSE, static_cast<int>(dead), 0), 0);
    auto detach = Export<DetachFn>("DetachReceiver");
    platform.Loop().DestroyWindow(dead);

    Xdotool("mousemove --window %1 50 50");
    ASSERT_TRUE(wtest::PumpUntil(
        platform.Loop(), [&] { return moves > 0; }, 3000));
    EXPECT_EQ(detach(HOOK_MOUSE, static_cast<int>(dead)), HOOK_NOT_REGISTERED)
        << "the receiver whose window had gone is still registered";
    EXPECT_EQ(HookThreads(), 1);

    mouse.Deactivate();
    EXPECT_FALSE(platform::HookLibraryLoaded());
    EXPECT_TRUE(HookModuleLoaded()) << "the hook thread keeps its own reference until it ends";
    Xdotool("mousemove --window %1 60 60");
    EXPECT_TRUE(wtest::PumpUntil(
        platform.Loop(), [&] { return !HookModuleLoaded(); }, 3000))
        << "nobody listens, yet the library stays loaded";
}

TEST_F(HookDll, DetachingTheLastReceiverEndsTheThreadAtOnce) {
    ASSERT_EQ(platform::LoadHookLibrary("Hook.dll"), 0);
    std::vector<RawEvent> raw;
    os::HWND keys = RawReceiver(raw);
    os::HWND mice = RawReceiver(raw);
    auto attach = platform::HookAttachReceiver();
    ASSERT_EQ(attach(HOOK_KEYBOARD, static_cast<int>(keys), 0), 0);
    ASSERT_EQ(attach(HOOK_MOUSE | 0x7F00, static_cast<int>(mice), 0x100), 0)
        << "only the lowest bytes of kind and filtering count";
    EXPECT_EQ(attach(HOOK_KEYBOARD, static_cast<int>(keys), 0), HOOK_ALREADY_REGISTERED);
    EXPECT_EQ(attach(3, static_cast<int>(keys), 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(HookThreads(), 1);
    auto detach = Export<DetachFn>("DetachReceiver");
    auto lastError = Export<int(__stdcall*)()>("LastError");
    EXPECT_EQ(detach(HOOK_KEYBOARD, static_cast<int>(keys)), 0);
    EXPECT_EQ(HookThreads(), 1) << "a receiver is left";
    EXPECT_EQ(detach(HOOK_KEYBOARD, static_cast<int>(keys)), HOOK_NOT_REGISTERED);
    EXPECT_EQ(lastError(), HOOK_NOT_REGISTERED);
    EXPECT_EQ(detach(HOOK_MOUSE, static_cast<int>(mice)), 0);
    EXPECT_EQ(lastError(), 0);
    EXPECT_TRUE(wtest::PumpUntil(
        platform.Loop(), [&] { return HookThreads() == 0; }, 1000))
        << "the hook thread outlived its last receiver";
    platform::ReleaseHookLibrary();
    EXPECT_TRUE(wtest::PumpUntil(
        platform.Loop(), [&] { return !HookModuleLoaded(); }, 1000));
}

// Both ways of letting go, a hundred times each: nothing piles up and nothing hangs.
TEST_F(HookDll, LoadingAndUnloadingAHundredTimesLeavesNothingBehind) {
    auto cycle = [&](bool detachFirst) {
        ASSERT_EQ(platform::LoadHookLibrary("Hook.dll"), 0);
        std::vector<RawEvent> raw;
        os::HWND window = RawReceiver(raw);
        ASSERT_EQ(platform::HookAttachReceiver()(HOOK_MOUSE, static_cast<int>(window), 0), 0);
        if (detachFirst)
            Export<DetachFn>("DetachReceiver")(HOOK_MOUSE, static_cast<int>(window));
        platform.Loop().DestroyWindow(window);
        platform::ReleaseHookLibrary();
    };
    // Warm-up: the first load maps the library and starts the system's own helpers.
    cycle(true);
    wtest::PumpUntil(
        platform.Loop(), [&] { return !HookModuleLoaded(); }, 1000);
    const long handlesBefore = wtest::HandleCount();
    ASSERT_GT(handlesBefore, 0);
    const ULONGLONG started = GetTickCount64();
    for (int i = 0; i < 100; ++i) {
        cycle(true);
        ASSERT_FALSE(HasFatalFailure());
    }
    EXPECT_TRUE(wtest::PumpUntil(
        platform.Loop(), [&] { return !HookModuleLoaded(); }, 1000));
    for (int i = 0; i < 100; ++i) {
        cycle(false);
        ASSERT_FALSE(HasFatalFailure());
    }
    EXPECT_EQ(HookThreads(), 1) << "hook threads pile up";
    Xdotool("mousemove --window %1 70 70");
    EXPECT_TRUE(wtest::PumpUntil(
        platform.Loop(), [&] { return !HookModuleLoaded(); }, 3000));
    EXPECT_LE(wtest::HandleCount(), handlesBefore + 5) << "handles leak";
    EXPECT_LT(GetTickCount64() - started, 20000u);
}

} // namespace
