// The fake loop's timer and queue rules that the component tests rely on.
#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FakeLoopTest : public ::testing::Test {
protected:
    fake::FakePlatform P;
    fake::FakeMessageLoop& Loop = P.Loop_;
    std::vector<std::string> Log;

    os::HWND Window(const std::string& name) {
        return Loop.CreateMessageWindow([this, name](os::UINT msg, os::WPARAM w, os::LPARAM) {
            if (msg == os::WM_TIMER)
                Log.push_back(name + std::to_string(w) + "@" + std::to_string(P.Clock.TickCount()));
            else
                Log.push_back(name + ":" + std::to_string(msg));
            return os::LRESULT{0};
        });
    }
};

TEST_F(FakeLoopTest, TimersFireInDueOrderWithCreationOrderBreakingTies) {
    os::HWND a = Window("a");
    os::HWND b = Window("b");
    Loop.SetTimer(b, 1, 500);
    Loop.SetTimer(a, 1, 300);
    Loop.SetTimer(a, 2, 500);
    Loop.AdvanceTime(1000);
    EXPECT_EQ(Log, (std::vector<std::string>{"a1@300", "b1@500", "a2@500", "a1@600", "a1@900",
                                             "b1@1000", "a2@1000"}));
    EXPECT_EQ(P.Clock.TickCount(), 1000u);
}

TEST_F(FakeLoopTest, TimerKilledByAnEarlierHandlerDoesNotFire) {
    os::HWND b = Window("b");
    os::HWND a = Loop.CreateMessageWindow([&](os::UINT msg, os::WPARAM, os::LPARAM) {
        if (msg == os::WM_TIMER) {
            Log.push_back("a");
            Loop.KillTimer(b, 7);
        }
        return os::LRESULT{0};
    });
    Loop.SetTimer(a, 1, 100);
    Loop.SetTimer(b, 7, 100); // due at the same instant, after a's
    Loop.AdvanceTime(500);
    EXPECT_EQ(Log, (std::vector<std::string>{"a", "a", "a", "a", "a"}));
}

TEST_F(FakeLoopTest, SettingATimerAgainRestartsItsCount) {
    os::HWND a = Window("a");
    Loop.SetTimer(a, 1, 1000);
    Loop.AdvanceTime(700);
    Loop.SetTimer(a, 1, 1000);
    Loop.AdvanceTime(1000);
    EXPECT_EQ(Log, (std::vector<std::string>{"a1@1700"}));
}

TEST_F(FakeLoopTest, NestedProcessingHandlesPostedMessagesAndDueTimers) {
    os::HWND other = Window("o");
    std::vector<std::string> seenInside;
    os::HWND outer = Loop.CreateMessageWindow([&](os::UINT msg, os::WPARAM, os::LPARAM) {
        if (msg == os::WM_USER) {
            Loop.PostMessage(other, os::WM_USER + 1, 0, 0);
            Loop.ProcessMessages(); // what a modal loop does
            seenInside = Log;
        }
        return os::LRESULT{0};
    });
    Loop.SetTimer(other, 3, 50);
    P.Time.NowMs += 60; // the timer is due, nothing has run yet
    Loop.SendMessage(outer, os::WM_USER, 0, 0);
    EXPECT_EQ(seenInside, (std::vector<std::string>{"o:1025", "o3@60"}));
}

TEST_F(FakeLoopTest, DestroyedWindowLosesItsTimersAndQueuedMessages) {
    os::HWND a = Window("a");
    Loop.SetTimer(a, 1, 100);
    Loop.PostMessage(a, os::WM_USER, 0, 0);
    Loop.DestroyWindow(a);
    Loop.AdvanceTime(1000);
    EXPECT_TRUE(Log.empty());
    EXPECT_FALSE(Loop.PostMessage(a, os::WM_USER, 0, 0));
}

} // namespace
