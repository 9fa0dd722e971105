// The work/rest cycle in virtual time: countdowns, notices, the switch to rest and the alerts.
#include "MainFormTestSupport.h"

#include <algorithm>
#include <set>

using apptest::MainFormTest;

namespace {

class RestCycle : public MainFormTest {};

TEST_F(RestCycle, AWorkPeriodOfNSecondsLastsNPlusOneTicks) {
    WriteSettings("WorkPeriod=1\r\nAlertMethod=7\r\n");
    Start();
    EXPECT_EQ(WorkSecondsLeft, 60);
    EXPECT_EQ(TicksUntilRest(), 61);
}

TEST_F(RestCycle, CountdownsAreCappedAtOneSecondBeforeMidnight) {
    WriteSettings("WorkPeriod=1440\r\nRestPeriod=5000\r\n");
    Start();
    EXPECT_EQ(WorkSecondsLeft, 86399);
    EXPECT_EQ(RestSecondsLeft, 86399);
}

TEST_F(RestCycle, NoticesComeAtTwoMinutesAndOneMinuteOnly) {
    WriteSettings("WorkPeriod=3\r\nAlertMethod=7\r\n");
    Start();
    Tick(59);
    EXPECT_TRUE(Balloons().empty());
    Tick();
    ASSERT_EQ(Balloons().size(), 1u);
    // The default time-left text begins with a blank, hence two blanks.
    EXPECT_EQ(Balloons()[0], "00:02:00  left");
    Tick(60);
    ASSERT_EQ(Balloons().size(), 2u);
    EXPECT_EQ(Balloons()[1], "00:01:00  left");
    TicksUntilRest();
    EXPECT_EQ(Balloons().size(), 2u);
}

TEST_F(RestCycle, AOneMinutePeriodHasNoNoticeAndATwoMinutePeriodOne) {
    WriteSettings("WorkPeriod=1\r\nAlertMethod=7\r\n");
    Start();
    TicksUntilRest();
    EXPECT_TRUE(Balloons().empty());

    form.reset();
    WriteSettings("WorkPeriod=2\r\nAlertMethod=7\r\n");
    Start();
    TicksUntilRest();
    ASSERT_EQ(Balloons().size(), 1u);
    EXPECT_EQ(Balloons()[0], "00:01:00  left");
}

TEST_F(RestCycle, NoticesUseTheRegionalTimeSeparator) {
    p.System_.TimeSep = ".";
    WriteSettings("WorkPeriod=3\r\nAlertMethod=7\r\n");
    Start();
    Tick(60);
    ASSERT_EQ(Balloons().size(), 1u);
    EXPECT_EQ(Balloons()[0], "00.02.00  left");
}

TEST_F(RestCycle, TheSwitchToRestRemovesTheNoticeFreezesAndDisablesTheIcon) {
    WriteSettings("WorkPeriod=2\r\nAlertMethod=7\r\nCanInterrupt=1\r\n");
    Start();
    std::set<os::HICON> workFrames;
    for (int i = 0; i < 60; ++i) { // up to the one-minute notice, the icon moves
        Tick();
        workFrames.insert(LastIcon());
    }
    EXPECT_GE(workFrames.size(), 2u);
    p.Shell_.NotifyCalls.clear();
    TicksUntilRest();
    EXPECT_FALSE(form->WorkTimer->Enabled());
    EXPECT_TRUE(form->RestTimer->Enabled());
    EXPECT_FALSE(form->TrayIcon->Enabled());
    EXPECT_FALSE(form->TrayIcon->CycleIcons());
    EXPECT_EQ(form->TrayIcon->Hint(), "Vistrel - Have a rest!");
    EXPECT_TRUE(InterruptArmed);
    // The notice is removed: a balloon update with an empty text.
    bool hidden =
        std::any_of(p.Shell_.NotifyCalls.begin(), p.Shell_.NotifyCalls.end(),
                    [](const fake::FakeShell::NotifyCall& c) {
                        return (c.Data.uFlags & os::NIF_INFO) != 0 && c.Data.szInfo[0] == '\0';
                    });
    EXPECT_TRUE(hidden);
    // The frozen icon stays on its frame while the rest runs.
    auto frozen = LastIcon();
    Tick(5);
    EXPECT_EQ(LastIcon(), frozen);
}

TEST_F(RestCycle, ARestOfMSecondsLastsMPlusOneTicksThenAwaitsActivity) {
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=7\r\n");
    Start();
    TicksUntilRest();
    Tick(60);
    EXPECT_FALSE(AwaitingActivity);
    Tick();
    EXPECT_TRUE(AwaitingActivity);
    EXPECT_FALSE(form->RestTimer->Enabled());
    EXPECT_FALSE(form->WorkTimer->Enabled());
    // And it stays there while nobody comes back.
    Tick(600);
    EXPECT_TRUE(AwaitingActivity);
}

TEST_F(RestCycle, MonitorOffAtTheStartAndAtEveryMultipleOfTenIncludingZero) {
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=0\r\n");
    Start();
    TicksUntilRest();
    EXPECT_EQ(MonitorOffCount(), 1);
    Tick(10); // 59 .. 50
    EXPECT_EQ(MonitorOffCount(), 2);
    Tick(51); // down to 0, then the tick that ends the rest
    EXPECT_EQ(MonitorOffCount(), 7);
    EXPECT_TRUE(AwaitingActivity);
    Tick(30);
    EXPECT_EQ(MonitorOffCount(), 7);
}

TEST_F(RestCycle, AnAlertMethodOutsideTheRangeRunsARestWithoutAlert) {
    p.WriteFile("Program/Music/a.wav", "x");
    p.Media_.AnyFileOpens = true;
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=9\r\n");
    Start();
    TicksUntilRest();
    Tick(70);
    EXPECT_EQ(MonitorOffCount(), 0);
    EXPECT_TRUE(p.Media_.Commands.empty());
    EXPECT_TRUE(std::none_of(p.Process_.Starts.begin(), p.Process_.Starts.end(),
                             [](const auto& s) { return s.Kind == "ShellExecuteEx"; }));
    EXPECT_TRUE(AwaitingActivity);
}

} // namespace
