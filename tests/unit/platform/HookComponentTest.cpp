#include "platform/HxSysHookCommon.h"
#include "platform/HxSysHookComp.h"
#include "platform/HxSysHookLoader.h"

#include "FakePlatform.h"
#include "HookTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace hooktest;
using namespace platform;
using ui::TMouseButton;

namespace {

struct MouseEvent {
    bool Click;
    std::uint32_t Source;
    std::int32_t X;
    std::int32_t Y;
    TMouseButton Button;
    THxMouseButtonMovement Movement;
};

struct KeyEvent {
    std::int32_t VirtualKey;
    std::uint16_t Repeat;
    std::uint8_t Scan;
    bool Extended, Alt, WasDown, Pressed;
};

class HookComponents : public ::testing::Test {
protected:
    HookComponents() {
        keyboard->SetHookDLL(CompleteHook());
        mouse->SetHookDLL(CompleteHook());
        keyboard->OnUnfiltered = mouse->OnUnfiltered =
            [this](ui::TComponent*, std::int32_t code, std::int32_t, std::int32_t, bool& handled) {
                unfiltered.push_back(code);
                handled = handleAll;
            };
        keyboard->OnKeyAction = [this](ui::TComponent* sender, std::int32_t vk,
                                       std::uint16_t repeat, std::uint8_t scan, bool extended,
                                       bool alt, bool wasDown, bool pressed, bool& filter) {
            EXPECT_EQ(sender, keyboard.get());
            keys.push_back({vk, repeat, scan, extended, alt, wasDown, pressed});
            filter = filterKeys;
        };
        mouse->OnMouseClick = [this](ui::TComponent* sender, std::uint32_t source, std::int32_t x,
                                     std::int32_t y, TMouseButton button,
                                     THxMouseButtonMovement movement) {
            EXPECT_EQ(sender, mouse.get());
            mice.push_back({true, source, x, y, button, movement});
        };
        mouse->OnMouseMove = [this](ui::TComponent*, std::uint32_t source, std::int32_t x,
                                    std::int32_t y) {
            mice.push_back(
                {false, source, x, y, TMouseButton::mbLeft, THxMouseButtonMovement::mbmDown});
        };
    }
    ~HookComponents() override {
        keyboard.reset();
        mouse.reset();
        while (HookLibraryLoaded())
            ReleaseHookLibrary();
    }

    void ActivateBoth() {
        std::string error = "untouched";
        mouse->Activate(error);
        ASSERT_EQ(error, "");
        keyboard->Activate(error);
        ASSERT_EQ(error, "");
    }

    fake::FakePlatform p;
    std::unique_ptr<THxKeyboardHook> keyboard = std::make_unique<THxKeyboardHook>(nullptr);
    std::unique_ptr<THxMouseHook> mouse = std::make_unique<THxMouseHook>(nullptr);
    std::vector<std::int32_t> unfiltered;
    std::vector<KeyEvent> keys;
    std::vector<MouseEvent> mice;
    bool handleAll = false;
    bool filterKeys = false;
};

} // namespace

TEST_F(HookComponents, ActivationRegistersAReceiverWindowOfEachKind) {
    keyboard->SetAllowFiltering(true);
    ActivateBoth();
    EXPECT_TRUE(mouse->Active());
    EXPECT_TRUE(keyboard->Active());

    LoadedTestHook hook;
    ASSERT_EQ(hook.RegistrationCount(), 2);
    Registration first = hook.At(0);
    Registration second = hook.At(1);
    EXPECT_EQ(first.Kind, 2);
    EXPECT_EQ(first.AllowFiltering, 0);
    EXPECT_EQ(second.Kind, 1);
    EXPECT_EQ(second.AllowFiltering, 1);
    EXPECT_NE(first.Window, second.Window);
    EXPECT_TRUE(p.Loop_.IsWindow(static_cast<os::HWND>(first.Window)));
    EXPECT_TRUE(p.Loop_.IsWindow(static_cast<os::HWND>(second.Window)));
}

TEST_F(HookComponents, TheLibraryStaysLoadedUntilTheLastDeactivate) {
    keyboard->SetHookDLL(HookDir() + "/NotLookedAt.so"); // the loaded library is shared
    ActivateBoth();
    EXPECT_EQ(HookLibraryRefCount(), 2);
    std::size_t windows = p.Loop_.WindowCount();

    mouse->Deactivate();
    EXPECT_FALSE(mouse->Active());
    EXPECT_TRUE(IsLoaded(CompleteHook()));
    EXPECT_EQ(p.Loop_.WindowCount(), windows - 1);

    keyboard->Deactivate();
    EXPECT_FALSE(IsLoaded(CompleteHook()));
    EXPECT_EQ(p.Loop_.WindowCount(), windows - 2);
    keyboard->Deactivate(); // inactive: nothing
    EXPECT_EQ(HookLibraryRefCount(), 0);
}

TEST_F(HookComponents, DestroyingAnActiveComponentDeactivatesIt) {
    ActivateBoth();
    keyboard.reset();
    mouse.reset();
    EXPECT_FALSE(HookLibraryLoaded());
    CheckHookLibraryUnloaded();
    EXPECT_TRUE(p.Shell_.MessageBoxes.empty());
}

TEST_F(HookComponents, ActivateOnAnActiveComponentLeavesTheErrorTextAlone) {
    ActivateBoth();
    std::string error = "previous text";
    keyboard->Activate(error);
    EXPECT_EQ(error, "previous text");
    EXPECT_EQ(HookLibraryRefCount(), 2);
    EXPECT_EQ(LoadedTestHook().RegistrationCount(), 2);
}

TEST_F(HookComponents, FailuresBeforeTheLibraryLoads) {
    std::string error;
    keyboard->SetHookDLL("");
    keyboard->Activate(error);
    EXPECT_EQ(error, "Cannot activate hook because DLL name is not set.");

    keyboard->SetHookDLL(HookDir() + "/Missing.dll");
    keyboard->Activate(error);
    EXPECT_EQ(error, p.Libs_.SysErrorMessage(os::ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(keyboard->Active());

    keyboard->SetHookDLL(HookWithoutLastError());
    keyboard->Activate(error);
    EXPECT_EQ(error, "DLL doesn't export all required functions.");
    EXPECT_FALSE(keyboard->Active());
    EXPECT_FALSE(IsLoaded(HookWithoutLastError()));
}

TEST_F(HookComponents, ARefusedRegistrationReleasesTheLibraryAndTheWindow) {
    std::size_t windows = p.Loop_.WindowCount();
    mouse->SetHookDLL(RefusingHook());
    std::string error;
    mouse->Activate(error);
    EXPECT_EQ(error, "Too many receivers.");
    EXPECT_FALSE(mouse->Active());
    EXPECT_EQ(p.Loop_.WindowCount(), windows);
    EXPECT_FALSE(HookLibraryLoaded());
    EXPECT_FALSE(IsLoaded(RefusingHook()));
    // So the end of the program finds nothing to warn about.
    CheckHookLibraryUnloaded();
    EXPECT_TRUE(p.Shell_.MessageBoxes.empty());
}

TEST_F(HookComponents, MouseMessagesBecomeMovesAndClicks) {
    ActivateBoth();
    LoadedTestHook hook;
    const std::uintptr_t at = 0xFFFF | (0x8000u << 16); // x 65535, y 32768: both unsigned
    EXPECT_EQ(hook.Emit(2, 0, at, 0x4321), 1);
    EXPECT_EQ(hook.Emit(2, 5, 0x00140010, 7), 1);
    EXPECT_EQ(hook.Emit(2, 9, 0, 0), 1);
    EXPECT_EQ(hook.Emit(2, 1, 0, 0), 1);
    EXPECT_EQ(hook.Emit(2, 0x35, 0, 0), 1); // higher bits ignored: 5
    EXPECT_EQ(hook.Emit(2, 15, 0, 0), 1);   // k = 14: past middle counts as left

    ASSERT_EQ(mice.size(), 6u);
    EXPECT_FALSE(mice[0].Click);
    EXPECT_EQ(mice[0].X, 65535);
    EXPECT_EQ(mice[0].Y, 32768);
    EXPECT_EQ(mice[0].Source, 0x4321u);

    EXPECT_TRUE(mice[1].Click);
    EXPECT_EQ(mice[1].Button, TMouseButton::mbRight);
    EXPECT_EQ(mice[1].Movement, THxMouseButtonMovement::mbmUp);
    EXPECT_EQ(mice[1].X, 0x10);
    EXPECT_EQ(mice[1].Y, 0x14);
    EXPECT_EQ(mice[1].Source, 7u);

    EXPECT_EQ(mice[2].Button, TMouseButton::mbMiddle);
    EXPECT_EQ(mice[2].Movement, THxMouseButtonMovement::mbmDouble);
    EXPECT_EQ(mice[3].Button, TMouseButton::mbLeft);
    EXPECT_EQ(mice[3].Movement, THxMouseButtonMovement::mbmDown);
    EXPECT_EQ(mice[4].Button, TMouseButton::mbRight);
    EXPECT_EQ(mice[4].Movement, THxMouseButtonMovement::mbmUp);
    EXPECT_EQ(mice[5].Button, TMouseButton::mbLeft);
    EXPECT_EQ(mice[5].Movement, THxMouseButtonMovement::mbmDouble);

    EXPECT_EQ(unfiltered, (std::vector<std::int32_t>{0, 5, 9, 1, 0x35, 15}));
    EXPECT_TRUE(keys.empty());
}

TEST_F(HookComponents, KeyboardMessagesDecodeTheKeystrokeFlags) {
    ActivateBoth();
    LoadedTestHook hook;
    // Repeat 3, scan 0x3E, extended, Alt down, was down, being released.
    const std::uint32_t flags = 3 | 0x3Eu << 16 | 1u << 24 | 1u << 29 | 1u << 30 | 1u << 31;
    EXPECT_EQ(hook.Emit(1, 0, 0x73, static_cast<std::int32_t>(flags)), 1);
    EXPECT_EQ(hook.Emit(1, 0, 'A', 1 | 0x1E << 16), 1);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].VirtualKey, 0x73);
    EXPECT_EQ(keys[0].Repeat, 3);
    EXPECT_EQ(keys[0].Scan, 0x3E);
    EXPECT_TRUE(keys[0].Extended);
    EXPECT_TRUE(keys[0].Alt);
    EXPECT_TRUE(keys[0].WasDown);
    EXPECT_FALSE(keys[0].Pressed);
    EXPECT_EQ(keys[1].VirtualKey, 'A');
    EXPECT_EQ(keys[1].Repeat, 1);
    EXPECT_EQ(keys[1].Scan, 0x1E);
    EXPECT_FALSE(keys[1].Extended || keys[1].Alt || keys[1].WasDown);
    EXPECT_TRUE(keys[1].Pressed);
    EXPECT_TRUE(mice.empty());
}

TEST_F(HookComponents, KeyboardCodesOtherThanZeroRaiseOnlyTheUnfilteredEvent) {
    ActivateBoth();
    LoadedTestHook hook;
    hook.Emit(1, 1, 'A', 1);
    hook.Emit(1, 16, 'A', 1);
    EXPECT_EQ(unfiltered, (std::vector<std::int32_t>{1, 16}));
    EXPECT_TRUE(keys.empty());
}

TEST_F(HookComponents, HandledSuppressesTheKeyAndMouseEvents) {
    ActivateBoth();
    LoadedTestHook hook;
    handleAll = true;
    hook.Emit(1, 0, 'A', 1);
    hook.Emit(2, 0, 0, 0);
    hook.Emit(2, 4, 0, 0);
    EXPECT_EQ(unfiltered.size(), 3u);
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(mice.empty());
}

TEST_F(HookComponents, TheWindowResultAsksToSwallowAFilteredKeystroke) {
    keyboard->SetAllowFiltering(true);
    ActivateBoth();
    LoadedTestHook hook;
    auto keyWindow = static_cast<os::HWND>(hook.At(1).Window);
    auto mouseWindow = static_cast<os::HWND>(hook.At(0).Window);

    EXPECT_EQ(p.Loop_.SendMessage(keyWindow, os::WM_USER, 'A', 1), 0);
    filterKeys = true;
    EXPECT_EQ(p.Loop_.SendMessage(keyWindow, os::WM_USER, 'A', 1), 1);
    EXPECT_EQ(p.Loop_.SendMessage(keyWindow, os::WM_USER + 1, 'A', 1), 0); // no key event
    handleAll = true;
    EXPECT_EQ(p.Loop_.SendMessage(keyWindow, os::WM_USER, 'A', 1), 0);
    EXPECT_EQ(p.Loop_.SendMessage(mouseWindow, os::WM_USER + 4, 0, 0), 0);
    EXPECT_EQ(keys.size(), 2u);

    // Messages below WM_USER are not the library's.
    std::size_t seen = unfiltered.size();
    EXPECT_EQ(p.Loop_.SendMessage(keyWindow, os::WM_TIMER, 1, 0), 0);
    EXPECT_EQ(unfiltered.size(), seen);
}

TEST_F(HookComponents, AHandlerMayDestroyItsComponent) {
    ActivateBoth();
    LoadedTestHook hook;
    auto keyWindow = static_cast<os::HWND>(hook.At(1).Window);
    keyboard->OnUnfiltered = [this](ui::TComponent*, std::int32_t, std::int32_t, std::int32_t,
                                    bool&) { keyboard.reset(); };
    EXPECT_EQ(p.Loop_.SendMessage(keyWindow, os::WM_USER, 'A', 1), 0);
    EXPECT_FALSE(keyboard);
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(p.Loop_.IsWindow(keyWindow));
}

TEST_F(HookComponents, PropertiesThatCannotChangeWhileActive) {
    keyboard->SetName("KeyboardHook");
    ActivateBoth();

    keyboard->SetHookDLL("Other.dll");
    EXPECT_EQ(keyboard->HookDLL(), CompleteHook());
    mouse->SetHookDLL("Other.dll"); // no name: the class name is the caption
    ASSERT_EQ(p.Shell_.MessageBoxes.size(), 2u);
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Text, "DLL name cannot be set while hook is active!");
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Caption, "KeyboardHook");
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Flags, os::MB_ICONERROR);
    EXPECT_EQ(p.Shell_.MessageBoxes[1].Caption, "THxMouseHook");

    try {
        keyboard->SetAllowFiltering(true);
        FAIL() << "no error raised";
    } catch (const EHxSysHookError& e) {
        EXPECT_STREQ(e.what(), "Cannot set AllowFiltering propert while hook is active!");
    }
    EXPECT_FALSE(keyboard->AllowFiltering());

    keyboard->Deactivate();
    keyboard->SetHookDLL("Other.dll");
    keyboard->SetAllowFiltering(true);
    EXPECT_EQ(keyboard->HookDLL(), "Other.dll");
    EXPECT_TRUE(keyboard->AllowFiltering());
    EXPECT_EQ(p.Shell_.MessageBoxes.size(), 2u);
}
