#include "platform/CoolTrayIcon.h"

#include "FakePlatform.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using platform::TCoolTrayIcon;

namespace {

// Counts what the event raisers are asked to do, handler or not.
class CountingTrayIcon : public TCoolTrayIcon {
public:
    using TCoolTrayIcon::TCoolTrayIcon;
    int DblClickRaised = 0;

protected:
    void DoDblClick() override {
        ++DblClickRaised;
        TCoolTrayIcon::DoDblClick();
    }
};

class TrayIconTest : public ::testing::Test {
protected:
    TrayIconTest() {
        List = new ui::TImageList(&Owner);
        for (int i = 0; i < 8; ++i)
            List->AddResource("TRAY" + std::to_string(i));
        Menu = new ui::TPopupMenu(&Owner);
        AddItem("Help");
        AddItem("-");
        Options = AddItem("Option");
        Options->SetDefault(true);
        AddItem("Exit");
        Icon = new CountingTrayIcon(&Owner);
        Icon->OnClick = [this](ui::TComponent*) { Log.push_back("click"); };
        Icon->OnMouseDown = [this](ui::TComponent*, ui::TMouseButton, ui::TShiftState, int, int) {
            Log.push_back("down");
        };
        Icon->OnMouseUp = [this](ui::TComponent*, ui::TMouseButton, ui::TShiftState, int, int) {
            Log.push_back("up");
        };
    }

    ui::TMenuItem* AddItem(const std::string& caption) {
        auto* item = new ui::TMenuItem(Menu);
        item->SetCaption(caption);
        item->OnClick = [this, caption](ui::TComponent*) { Log.push_back("menu:" + caption); };
        Menu->Items()->Add(item);
        return item;
    }

    // What the main window sets, then the load step.
    void SetUpLikeMainWindow() {
        Icon->SetIconList(List);
        Icon->SetCycleInterval(1000);
        Icon->SetIconIndex(7);
        Icon->SetPopupMenu(Menu);
        Icon->SetIconVisible(true);
        Icon->SetCycleIcons(true);
        Icon->Loaded();
    }

    // Delivers a tray notification the way the shell does: to the window and with the message
    // and identity of the icon's last add.
    void Tray(os::UINT message, TCoolTrayIcon* icon = nullptr) {
        const os::NotifyIconData& d = (icon != nullptr ? icon : Icon)->IconData();
        P.Loop_.SendMessage(d.hWnd, d.uCallbackMessage, d.uID, static_cast<os::LPARAM>(message));
    }

    void DoubleClick() {
        Tray(os::WM_LBUTTONDOWN);
        Tray(os::WM_LBUTTONUP);
        Tray(os::WM_LBUTTONDBLCLK);
        Tray(os::WM_LBUTTONUP);
    }

    const fake::FakeShell::NotifyCall& LastCall() const { return P.Shell_.NotifyCalls.back(); }

    std::string ShownIconName() const {
        auto it = P.Shell_.Icons.find(LastCall().Data.hIcon);
        return it == P.Shell_.Icons.end() ? "" : it->second;
    }

    int Count(const std::string& entry) const {
        return static_cast<int>(std::count(Log.begin(), Log.end(), entry));
    }

    fake::FakePlatform P;
    ui::TComponent Owner{nullptr};
    ui::TImageList* List;
    ui::TPopupMenu* Menu;
    ui::TMenuItem* Options;
    CountingTrayIcon* Icon;
    std::vector<std::string> Log;
};

// ---- The record ---------------------------------------------------------------------------

TEST_F(TrayIconTest, RecordNamesTheIconAndItsCallback) {
    Icon->SetIconVisible(true);
    ASSERT_FALSE(P.Shell_.NotifyCalls.empty());
    const auto& add = P.Shell_.NotifyCalls.front();
    EXPECT_EQ(add.Message, os::NIM_ADD);
    EXPECT_EQ(add.Data.uFlags, os::NIF_MESSAGE | os::NIF_ICON | os::NIF_TIP);
    EXPECT_EQ(add.Data.uCallbackMessage, 0x0800u);
    EXPECT_TRUE(P.Loop_.IsWindow(add.Data.hWnd));
    EXPECT_EQ(add.Data.uID, reinterpret_cast<std::uintptr_t>(static_cast<TCoolTrayIcon*>(Icon)));
}

TEST_F(TrayIconTest, TipIsCutTo127CharactersAndClearedWhenEmptyOrHidden) {
    Icon->SetIconVisible(true);
    Icon->SetHint(std::string(200, 'h'));
    EXPECT_EQ(LastCall().Message, os::NIM_MODIFY);
    EXPECT_EQ(std::string(LastCall().Data.szTip), std::string(127, 'h'));

    Icon->SetHint("");
    const char zeros[128] = {};
    EXPECT_EQ(std::memcmp(LastCall().Data.szTip, zeros, sizeof zeros), 0);

    Icon->SetHint("Vistrel - 00:49:59 left");
    EXPECT_STREQ(LastCall().Data.szTip, "Vistrel - 00:49:59 left");
    Icon->SetShowHint(false);
    EXPECT_EQ(std::memcmp(LastCall().Data.szTip, zeros, sizeof zeros), 0);
}

TEST_F(TrayIconTest, BalloonCutsItsTextsAndFirstTakesDownTheOldOne) {
    Icon->SetIconVisible(true);
    std::size_t before = P.Shell_.NotifyCalls.size();
    Icon->ShowBalloon(std::string(70, 't'), std::string(300, 'x'), platform::bkWarning, 10);

    ASSERT_EQ(P.Shell_.NotifyCalls.size(), before + 2);
    const auto& hide = P.Shell_.NotifyCalls[before];
    EXPECT_EQ(hide.Message, os::NIM_MODIFY);
    EXPECT_TRUE(hide.Data.uFlags & os::NIF_INFO);
    EXPECT_EQ(hide.Data.szInfo[0], '\0');

    const auto& show = P.Shell_.NotifyCalls[before + 1];
    EXPECT_TRUE(show.Data.uFlags & os::NIF_INFO);
    EXPECT_EQ(std::string(show.Data.szInfo), std::string(255, 'x'));
    EXPECT_EQ(std::string(show.Data.szInfoTitle), std::string(63, 't'));
    EXPECT_EQ(show.Data.uTimeoutOrVersion, 10000u);
    EXPECT_EQ(show.Data.dwInfoFlags, os::NIIF_WARNING);

    // Later updates (the animation) leave the balloon alone.
    Icon->SetHint("next");
    EXPECT_FALSE(LastCall().Data.uFlags & os::NIF_INFO);
}

TEST_F(TrayIconTest, BalloonKindsMapOntoTheShellsInfoFlags) {
    const std::pair<platform::TBalloonKind, os::DWORD> kinds[] = {
        {platform::bkNone, os::NIIF_NONE},
        {platform::bkInfo, os::NIIF_INFO},
        {platform::bkWarning, os::NIIF_WARNING},
        {platform::bkError, os::NIIF_ERROR}};
    for (auto [kind, flags] : kinds) {
        Icon->ShowBalloon("Vistrel", "text", kind, 10);
        EXPECT_EQ(LastCall().Data.dwInfoFlags, flags);
    }
}

// ---- Frames and animation -----------------------------------------------------------------

TEST_F(TrayIconTest, FrameIndexIsClampedToTheListAndZeroWithoutOne) {
    Icon->SetIconVisible(true);
    Icon->SetIconIndex(5);
    EXPECT_EQ(Icon->IconIndex(), 0) << "no list yet";

    Icon->SetIconList(List);
    Icon->SetIconIndex(20);
    EXPECT_EQ(Icon->IconIndex(), 7);
    EXPECT_EQ(ShownIconName(), "TRAY7");
    Icon->SetIconIndex(3);
    EXPECT_EQ(ShownIconName(), "TRAY3");
}

TEST_F(TrayIconTest, AnimationStartsAtFrameZeroAndStepsOncePerInterval) {
    SetUpLikeMainWindow();
    std::vector<int> next;
    Icon->OnCycle = [&](ui::TComponent*, int n) { next.push_back(n); };
    EXPECT_EQ(Icon->IconIndex(), 0) << "the stored index 7 only shows briefly";
    EXPECT_EQ(ShownIconName(), "TRAY0");

    std::vector<std::string> shown;
    for (int second = 0; second < 9; ++second) {
        P.Loop_.AdvanceTime(1000);
        shown.push_back(ShownIconName());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"TRAY1", "TRAY2", "TRAY3", "TRAY4", "TRAY5", "TRAY6",
                                               "TRAY7", "TRAY0", "TRAY1"}));
    EXPECT_EQ(next, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 0, 1}));
}

TEST_F(TrayIconTest, StoppingTheAnimationFreezesAndRestartingBeginsAtZero) {
    SetUpLikeMainWindow();
    P.Loop_.AdvanceTime(3000);
    EXPECT_EQ(Icon->IconIndex(), 3);

    Icon->SetCycleIcons(false);
    std::size_t calls = P.Shell_.NotifyCalls.size();
    P.Loop_.AdvanceTime(10000);
    EXPECT_EQ(Icon->IconIndex(), 3);
    EXPECT_EQ(P.Shell_.NotifyCalls.size(), calls) << "a frozen icon costs nothing";

    Icon->SetCycleIcons(true);
    EXPECT_EQ(Icon->IconIndex(), 0);
    P.Loop_.AdvanceTime(999);
    EXPECT_EQ(Icon->IconIndex(), 0);
    P.Loop_.AdvanceTime(1);
    EXPECT_EQ(Icon->IconIndex(), 1);
}

TEST_F(TrayIconTest, NewCycleIntervalRestartsTheAnimation) {
    SetUpLikeMainWindow();
    P.Loop_.AdvanceTime(2000);
    Icon->SetCycleInterval(500);
    EXPECT_EQ(Icon->IconIndex(), 0);
    P.Loop_.AdvanceTime(1500);
    EXPECT_EQ(Icon->IconIndex(), 3);
}

TEST_F(TrayIconTest, ZeroCycleIntervalDoesNotAnimate) {
    Icon->SetIconList(List);
    Icon->SetCycleIcons(true);
    EXPECT_FALSE(Icon->CycleTimer().Enabled());
    P.Loop_.AdvanceTime(5000);
    EXPECT_EQ(Icon->IconIndex(), 0);
}

TEST_F(TrayIconTest, LoadStepAddsTheIconAndAsksForNotificationVersionZero) {
    SetUpLikeMainWindow();
    EXPECT_EQ(P.Shell_.IconsShown.count(Icon->IconData().uID), 1u);
    EXPECT_EQ(LastCall().Message, os::NIM_SETVERSION);
    EXPECT_EQ(LastCall().Data.uTimeoutOrVersion, 0u);
}

TEST_F(TrayIconTest, DestroyedImageListLeavesFrameZeroWithoutAPicture) {
    SetUpLikeMainWindow();
    P.Loop_.AdvanceTime(2000);
    delete List;
    EXPECT_EQ(Icon->IconList(), nullptr);
    EXPECT_EQ(Icon->IconIndex(), 0);
    EXPECT_EQ(LastCall().Data.hIcon, 0u) << "the frames went with the list";
    P.Loop_.AdvanceTime(3000); // the animation has nothing to show and must not fail
    EXPECT_EQ(Icon->IconIndex(), 0);
}

TEST_F(TrayIconTest, DestroyingTheIconRemovesItAndItsWindow) {
    SetUpLikeMainWindow();
    os::HWND handler = Icon->IconData().hWnd;
    std::uintptr_t id = Icon->IconData().uID;
    delete Icon;
    EXPECT_EQ(P.Shell_.IconsShown.count(id), 0u);
    EXPECT_FALSE(P.Loop_.IsWindow(handler));
    EXPECT_EQ(P.Loop_.RunningTimerCount(), 0u);
}

// ---- Mouse --------------------------------------------------------------------------------

TEST_F(TrayIconTest, ClickWithoutDoubleClickHandlerFiresOnReleaseBeforeMouseUp) {
    SetUpLikeMainWindow();
    Tray(os::WM_LBUTTONDOWN);
    EXPECT_EQ(Log, (std::vector<std::string>{"down"}));
    Tray(os::WM_LBUTTONUP);
    EXPECT_EQ(Log, (std::vector<std::string>{"down", "click", "up"}));
}

TEST_F(TrayIconTest, DoubleClickWithoutHandlerGivesOneClickOneDoubleClickOneDefaultRun) {
    SetUpLikeMainWindow();
    DoubleClick();
    P.Loop_.AdvanceTime(2000);
    EXPECT_EQ(Count("click"), 1);
    EXPECT_EQ(Icon->DblClickRaised, 1);
    EXPECT_EQ(Count("menu:Option"), 1);
    EXPECT_EQ(Count("up"), 2);
    EXPECT_TRUE(P.Shell_.MenusShown.empty());
}

TEST_F(TrayIconTest, DoubleClickHandlerHoldsTheSingleClickBackOneDoubleClickTime) {
    SetUpLikeMainWindow();
    int doubles = 0;
    Icon->OnDblClick = [&](ui::TComponent*) { ++doubles; };
    P.Loop_.DoubleClickTime = 400;

    Tray(os::WM_LBUTTONDOWN);
    Tray(os::WM_LBUTTONUP);
    P.Loop_.AdvanceTime(399);
    EXPECT_EQ(Count("click"), 0);
    P.Loop_.AdvanceTime(1);
    EXPECT_EQ(Count("click"), 1);
    P.Loop_.AdvanceTime(5000);
    EXPECT_EQ(Count("click"), 1) << "the click timer stops after one step";

    DoubleClick();
    P.Loop_.AdvanceTime(5000);
    EXPECT_EQ(Count("click"), 1) << "a double click swallows the held-back click";
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(Count("menu:Option"), 1);
}

TEST_F(TrayIconTest, PressHeldPastTheDoubleClickTimeClicksOnceOnRelease) {
    SetUpLikeMainWindow();
    Icon->OnDblClick = [](ui::TComponent*) {};
    Tray(os::WM_LBUTTONDOWN);
    Tray(os::WM_LBUTTONUP);
    P.Loop_.AdvanceTime(1000);
    ASSERT_EQ(Count("click"), 1);

    Tray(os::WM_LBUTTONDOWN);
    P.Loop_.AdvanceTime(1000); // still held when the click timer runs out
    EXPECT_EQ(Count("click"), 1) << "the earlier click must not be reported again";
    Tray(os::WM_LBUTTONUP);
    EXPECT_EQ(Count("click"), 2);
}

TEST_F(TrayIconTest, RightButtonOpensTheMenuAtTheCursorAndRunsTheChoice) {
    SetUpLikeMainWindow();
    P.Loop_.Cursor = {790, 12};
    P.Shell_.MenuAnswers.push_back(4); // fourth entry: Exit
    Tray(os::WM_RBUTTONDOWN);

    ASSERT_EQ(P.Shell_.MenusShown.size(), 1u);
    const auto& menu = P.Shell_.MenusShown[0];
    EXPECT_EQ(menu.At, (os::TPoint{790, 12}));
    ASSERT_EQ(menu.Entries.size(), 4u);
    EXPECT_TRUE(menu.Entries[1].Separator);
    EXPECT_EQ(menu.Entries[2].Caption, "Option");
    EXPECT_TRUE(menu.Entries[2].Default);
    EXPECT_EQ(Count("menu:Exit"), 1);
    ASSERT_FALSE(P.Loop_.ForegroundCalls.empty());
    EXPECT_EQ(P.Loop_.ForegroundCalls.back(), P.Loop_.ApplicationWindow());
    EXPECT_EQ(Menu->PopupComponent(), Icon);

    // Once the menu has closed, its window is sent a null message (queued, not sent at once).
    P.Shell_.WhileMenuOpen = [this] { P.Loop_.AppWindowMessages.clear(); };
    P.Shell_.MenuAnswers.push_back(0);
    Tray(os::WM_RBUTTONDOWN);
    P.Loop_.ProcessMessages();
    ASSERT_FALSE(P.Loop_.AppWindowMessages.empty());
    EXPECT_EQ(P.Loop_.AppWindowMessages.back().Msg, os::WM_NULL);

    Tray(os::WM_RBUTTONUP);
    EXPECT_EQ(Log.back(), "up");
}

TEST_F(TrayIconTest, MenuWithoutAutoPopupIsNeitherShownNorItsDefaultRun) {
    SetUpLikeMainWindow();
    Menu->SetAutoPopup(false);
    Tray(os::WM_RBUTTONDOWN);
    DoubleClick();
    EXPECT_TRUE(P.Shell_.MenusShown.empty());
    EXPECT_EQ(Count("menu:Option"), 0);
}

TEST_F(TrayIconTest, LeftPopupOpensOnTheLeftButtonAndSkipsTheDefaultItem) {
    SetUpLikeMainWindow();
    Icon->SetLeftPopup(true);
    DoubleClick();
    EXPECT_EQ(P.Shell_.MenusShown.size(), 1u);
    EXPECT_EQ(Count("menu:Option"), 0);
}

TEST_F(TrayIconTest, DisabledIconIgnoresTheMouseButNotBalloons) {
    SetUpLikeMainWindow();
    int moves = 0;
    std::vector<std::string> balloons;
    Icon->OnMouseMove = [&](ui::TComponent*, ui::TShiftState, int, int) { ++moves; };
    Icon->OnBalloonHintShow = [&](ui::TComponent*) { balloons.push_back("show"); };
    Icon->OnBalloonHintHide = [&](ui::TComponent*) { balloons.push_back("hide"); };
    Icon->OnBalloonHintTimeout = [&](ui::TComponent*) { balloons.push_back("timeout"); };
    Icon->OnBalloonHintClick = [&](ui::TComponent*) { balloons.push_back("click"); };
    Icon->SetEnabled(false);

    Tray(os::WM_MOUSEMOVE);
    DoubleClick();
    Tray(os::WM_RBUTTONDOWN);
    Tray(os::WM_RBUTTONUP);
    Tray(os::WM_MBUTTONDOWN);
    EXPECT_EQ(moves, 0);
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(Icon->DblClickRaised, 0);
    EXPECT_TRUE(P.Shell_.MenusShown.empty());

    Tray(os::NIN_BALLOONSHOW);
    Tray(os::NIN_BALLOONHIDE);
    Tray(os::NIN_BALLOONTIMEOUT);
    Tray(os::NIN_BALLOONUSERCLICK);
    EXPECT_EQ(balloons, (std::vector<std::string>{"show", "hide", "timeout", "click"}));

    Icon->SetEnabled(true);
    Tray(os::WM_MOUSEMOVE);
    EXPECT_EQ(moves, 1);
}

TEST_F(TrayIconTest, MouseEventsCarryCursorShiftStateAndButton) {
    SetUpLikeMainWindow();
    P.Loop_.Cursor = {640, 5};
    P.Loop_.KeysDown = {os::VK_SHIFT, os::VK_CONTROL};
    ui::TShiftState downShift = 0;
    ui::TMouseButton downButton = ui::TMouseButton::mbLeft;
    os::TPoint at;
    ui::TShiftState moveShift = 0;
    Icon->OnMouseDown = [&](ui::TComponent*, ui::TMouseButton b, ui::TShiftState s, int x, int y) {
        downButton = b;
        downShift = s;
        at = {x, y};
    };
    Icon->OnMouseMove = [&](ui::TComponent*, ui::TShiftState s, int, int) { moveShift = s; };
    Tray(os::WM_MBUTTONDOWN);
    EXPECT_EQ(downButton, ui::TMouseButton::mbMiddle);
    EXPECT_EQ(downShift, ui::ssShift | ui::ssCtrl | ui::ssMiddle);
    EXPECT_EQ(at, (os::TPoint{640, 5}));
    Tray(os::WM_MOUSEMOVE);
    EXPECT_EQ(moveShift, ui::ssShift | ui::ssCtrl);
}

// ---- Identity and the handler window --------------------------------------------------------

TEST_F(TrayIconTest, CallbackFindsItsIconByTheFullPointerSizedIdentity) {
    auto* second = new TCoolTrayIcon(&Owner);
    int firstMoves = 0;
    int secondMoves = 0;
    Icon->OnMouseMove = [&](ui::TComponent*, ui::TShiftState, int, int) { ++firstMoves; };
    second->OnMouseMove = [&](ui::TComponent*, ui::TShiftState, int, int) { ++secondMoves; };
    Icon->SetIconVisible(true);
    second->SetIconVisible(true);
    EXPECT_EQ(Icon->IconData().hWnd, second->IconData().hWnd) << "one window serves all icons";

    Tray(os::WM_MOUSEMOVE, second);
    EXPECT_EQ(secondMoves, 1);
    EXPECT_EQ(firstMoves, 0);

    // An identity that differs only above the low 32 bits names no icon.
    const os::NotifyIconData& d = Icon->IconData();
    P.Loop_.SendMessage(d.hWnd, d.uCallbackMessage, d.uID ^ (std::uintptr_t{1} << 40),
                        os::WM_MOUSEMOVE);
    EXPECT_EQ(firstMoves, 0);

    // A late notification for an icon that is gone reaches nobody.
    std::uintptr_t goneId = second->IconData().uID;
    delete second;
    P.Loop_.SendMessage(d.hWnd, d.uCallbackMessage, goneId, os::WM_MOUSEMOVE);
    EXPECT_EQ(secondMoves, 1);
}

TEST_F(TrayIconTest, HandlerWindowRefusesToCloseAndToBlockTheSessionEnd) {
    Icon->SetIconVisible(true);
    os::HWND handler = Icon->IconData().hWnd;
    for (os::UINT msg : {os::WM_CLOSE, os::WM_QUERYENDSESSION, os::WM_ENDSESSION})
        EXPECT_EQ(P.Loop_.SendMessage(handler, msg, 0, 0), 1);
    EXPECT_EQ(P.Loop_.SendMessage(handler, os::WM_NULL, 0, 0), 0);
}

// ---- Taskbar re-creation ----------------------------------------------------------------------

TEST_F(TrayIconTest, RestartedTaskbarGetsTheVisibleIconBackOnly) {
    SetUpLikeMainWindow();
    auto* hidden = new TCoolTrayIcon(&Owner);
    hidden->SetIconVisible(true);
    hidden->SetIconVisible(false);

    P.Shell_.IconsShown.clear(); // the shell restarted and forgot every icon
    os::UINT taskbarCreated = P.Loop_.RegisterWindowMessage("TaskbarCreated");
    P.Loop_.PostMessage(P.Loop_.ApplicationWindow(), taskbarCreated, 0, 0);
    P.Loop_.ProcessMessages();

    EXPECT_EQ(P.Shell_.IconsShown.count(Icon->IconData().uID), 1u);
    EXPECT_EQ(P.Shell_.IconsShown.count(hidden->IconData().uID), 0u);
    EXPECT_EQ(LastCall().Message, os::NIM_ADD);
}

TEST(TrayIconTaskbar, OldCommonControlsGetNoRestoredIcon) {
    fake::FakePlatform p;
    p.System_.ComCtlMajor = 4;
    p.System_.ComCtlMinor = 70;
    TCoolTrayIcon icon(nullptr);
    icon.SetIconVisible(true);
    p.Shell_.IconsShown.clear();
    p.Loop_.SendMessage(p.Loop_.ApplicationWindow(),
                        p.Loop_.RegisterWindowMessage("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(p.Shell_.IconsShown.empty());
}

TEST(TrayIconTaskbar, UnreadableCommonControlsVersionCountsAsOld) {
    fake::FakePlatform p;
    p.System_.ComCtlAvailable = false;
    TCoolTrayIcon icon(nullptr);
    icon.SetIconVisible(true);
    p.Shell_.IconsShown.clear();
    p.Loop_.SendMessage(p.Loop_.ApplicationWindow(),
                        p.Loop_.RegisterWindowMessage("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(p.Shell_.IconsShown.empty());
}

// ---- Re-entrancy ------------------------------------------------------------------------------

TEST_F(TrayIconTest, AnimationGoesOnWhileTheMenuIsOpen) {
    SetUpLikeMainWindow();
    int indexWhileOpen = -1;
    P.Shell_.WhileMenuOpen = [&] {
        P.Loop_.AdvanceTime(3000);
        indexWhileOpen = Icon->IconIndex();
    };
    Tray(os::WM_RBUTTONDOWN);
    EXPECT_EQ(indexWhileOpen, 3);
}

TEST_F(TrayIconTest, ChoosingAnItemThatDestroysTheIconIsSafe) {
    SetUpLikeMainWindow();
    Menu->Items()->Items(3)->OnClick = [&](ui::TComponent*) {
        delete Icon;
        Icon = nullptr;
    };
    P.Shell_.MenuAnswers.push_back(4);
    const os::NotifyIconData d = Icon->IconData();
    P.Loop_.SendMessage(d.hWnd, d.uCallbackMessage, d.uID, os::WM_RBUTTONDOWN);
    EXPECT_EQ(Icon, nullptr);
    EXPECT_EQ(P.Shell_.IconsShown.count(d.uID), 0u);
}

} // namespace
