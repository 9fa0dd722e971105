#include "platform/SimpleTimer.h"

#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using platform::TSimpleTimer;

namespace {

class SimpleTimerTest : public ::testing::Test {
protected:
    fake::FakePlatform P;
    std::vector<std::uint64_t> ticks; // virtual time of each tick
    platform::TSimpleTimerEvent Record() {
        return [this](TSimpleTimer*) { ticks.push_back(P.Clock.TickCount()); };
    }
};

TEST_F(SimpleTimerTest, ZeroIntervalDoesNotStart) {
    TSimpleTimer timer(0, Record());
    EXPECT_FALSE(timer.Start());
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(TSimpleTimer::HandlerActiveCount(), 0);
    P.Loop_.AdvanceTime(10000);
    EXPECT_TRUE(ticks.empty());
}

TEST_F(SimpleTimerTest, TicksEveryIntervalWhileEnabled) {
    TSimpleTimer timer(250, Record());
    EXPECT_FALSE(timer.Enabled()) << "made disabled";
    timer.SetEnabled(true);
    P.Loop_.AdvanceTime(1000);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{250, 500, 750, 1000}));
    timer.SetEnabled(false);
    P.Loop_.AdvanceTime(1000);
    EXPECT_EQ(ticks.size(), 4u);
}

TEST_F(SimpleTimerTest, NewIntervalRestartsARunningTimer) {
    TSimpleTimer timer(1000, Record());
    timer.SetEnabled(true);
    P.Loop_.AdvanceTime(600);
    timer.SetInterval(300);
    P.Loop_.AdvanceTime(600);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{900, 1200}));
}

TEST_F(SimpleTimerTest, ZeroIntervalOrNoCallbackPausesButStaysWanted) {
    TSimpleTimer timer(100, Record());
    timer.SetEnabled(true);
    timer.SetInterval(0);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(P.Loop_.RunningTimerCount(), 0u);
    EXPECT_EQ(TSimpleTimer::HandlerActiveCount(), 0);
    timer.SetInterval(200);
    EXPECT_EQ(TSimpleTimer::HandlerActiveCount(), 1);
    P.Loop_.AdvanceTime(200);
    EXPECT_EQ(ticks.size(), 1u);

    timer.SetOnTimer(nullptr);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(P.Loop_.RunningTimerCount(), 0u);
    EXPECT_EQ(TSimpleTimer::HandlerActiveCount(), 0);
}

TEST_F(SimpleTimerTest, AllTimersShareOneWindowThatGoesWithTheLast) {
    EXPECT_EQ(TSimpleTimer::HandlerWindow(), 0u);
    auto a = std::make_unique<TSimpleTimer>();
    os::HWND window = TSimpleTimer::HandlerWindow();
    EXPECT_TRUE(P.Loop_.IsWindow(window));
    auto b = std::make_unique<TSimpleTimer>(500, Record());
    EXPECT_EQ(TSimpleTimer::HandlerWindow(), window);
    EXPECT_EQ(TSimpleTimer::HandlerRefCount(), 2);
    EXPECT_EQ(a->Interval(), 1000u);

    a->SetEnabled(true);
    b->SetEnabled(true);
    b->SetEnabled(true); // a restart does not count twice
    EXPECT_EQ(TSimpleTimer::HandlerActiveCount(), 2);
    a->SetEnabled(false);
    a->SetEnabled(false);
    EXPECT_EQ(TSimpleTimer::HandlerActiveCount(), 1);

    a.reset();
    EXPECT_TRUE(P.Loop_.IsWindow(window));
    b.reset();
    EXPECT_FALSE(P.Loop_.IsWindow(window));
    EXPECT_EQ(TSimpleTimer::HandlerWindow(), 0u);
    EXPECT_EQ(P.Loop_.RunningTimerCount(), 0u);
}

TEST_F(SimpleTimerTest, AutoDisableStopsAfterTheFirstTick) {
    TSimpleTimer timer(100, Record());
    timer.SetAutoDisable(true);
    timer.SetEnabled(true);
    P.Loop_.AdvanceTime(1000);
    EXPECT_EQ(ticks.size(), 1u);
    EXPECT_FALSE(timer.Enabled());
}

TEST_F(SimpleTimerTest, TimerMayDestroyItselfInItsCallback) {
    auto* timer = new TSimpleTimer(100, nullptr);
    int calls = 0;
    timer->SetOnTimer([&](TSimpleTimer* self) {
        ++calls;
        delete self;
    });
    timer->SetEnabled(true);
    P.Loop_.AdvanceTime(1000);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(TSimpleTimer::HandlerRefCount(), 0);
}

TEST_F(SimpleTimerTest, TickForAnUnknownIdentityIsIgnored) {
    TSimpleTimer timer(100, Record());
    timer.SetEnabled(true);
    P.Loop_.SendMessage(TSimpleTimer::HandlerWindow(), os::WM_TIMER, timer.Id() + 8, 0);
    EXPECT_TRUE(ticks.empty());
    P.Loop_.SendMessage(TSimpleTimer::HandlerWindow(), os::WM_TIMER, timer.Id(), 0);
    EXPECT_EQ(ticks.size(), 1u);
}

} // namespace
