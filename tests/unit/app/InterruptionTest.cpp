// Ending a rest: the F4 hot key, the user's return through the hooks or the idle time.
#include "MainFormTestSupport.h"

using apptest::MainFormTest;

namespace {

class Interruption : public MainFormTest {
protected:
    void StartWithRest(bool canInterrupt) {
        std::string song = p.WriteFile("Program/Music/Song.wav", "x");
        p.Media_.Lengths[song] = 600000;
        WriteSettings(
            std::string("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=1\r\nPlayMethod=0\r\n"
                        "MusicFile=Song.wav\r\nCanInterrupt=") +
            (canInterrupt ? "1" : "0") + "\r\n");
        Start();
    }
};

TEST_F(Interruption, TheHotKeyIsRegisteredForTheWholeRunAndReleasedAtExit) {
    StartWithRest(true);
    ASSERT_EQ(p.Keys_.Registered.size(), 1u);
    auto& r = p.Keys_.Registered[0];
    EXPECT_EQ(r.Key, static_cast<os::UINT>(os::VK_F4));
    EXPECT_EQ(r.Modifiers, 0u);
    EXPECT_EQ(r.Id, p.Keys_.Atoms.at("VistrelHotKey"));
    form->ActionExit->Execute();
    EXPECT_TRUE(p.Keys_.Registered.empty());
}

TEST_F(Interruption, AHotKeyHeldElsewhereIsReportedAndStartUpGoesOn) {
    p.Keys_.HeldElsewhere.insert({0, os::VK_F4});
    WriteSettings("WorkPeriod=1\r\n");
    Start();
    ASSERT_EQ(p.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Text, "Hot key register failed.");
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Caption, "Alert");
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Flags, os::MB_ICONINFORMATION);
    EXPECT_TRUE(form->WorkTimer->Enabled());
}

TEST_F(Interruption, F4DuringWorkChangesNothing) {
    StartWithRest(true);
    Tick(10);
    PressF4();
    EXPECT_EQ(WorkSecondsLeft, 50);
    EXPECT_TRUE(form->WorkTimer->Enabled());
    EXPECT_EQ(MonitorOnCount(), 0);
}

TEST_F(Interruption, F4EndsAnInterruptibleRestAtOnce) {
    StartWithRest(true);
    TicksUntilRest();
    Tick(5);
    ASSERT_EQ(p.Media_.OpenDeviceCount(), 1u);
    PressF4();
    EXPECT_FALSE(form->RestTimer->Enabled());
    EXPECT_TRUE(form->WorkTimer->Enabled());
    EXPECT_TRUE(form->TrayIcon->Enabled());
    EXPECT_TRUE(form->TrayIcon->CycleIcons());
    EXPECT_EQ(p.Media_.OpenDeviceCount(), 0u); // the music stopped
    EXPECT_EQ(MonitorOnCount(), 1);
    EXPECT_EQ(WorkSecondsLeft, 60);
    EXPECT_FALSE(InterruptArmed);
}

TEST_F(Interruption, F4DoesNothingInARestThatCannotBeInterrupted) {
    StartWithRest(false);
    TicksUntilRest();
    Tick(5);
    PressF4();
    EXPECT_TRUE(form->RestTimer->Enabled());
    EXPECT_EQ(RestSecondsLeft, 55);
    EXPECT_EQ(MonitorOnCount(), 0);
}

TEST_F(Interruption, ChangingCanInterruptDuringARestTakesEffectFromTheNextRest) {
    StartWithRest(false);
    TicksUntilRest();
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=7\r\nCanInterrupt=1\r\n");
    PressF4();
    EXPECT_TRUE(form->RestTimer->Enabled());
    // The rest runs out, the user comes back, and the next rest may be ended by F4.
    Tick(61);
    ASSERT_TRUE(AwaitingActivity);
    form->KeyboardHookKeyAction();
    ASSERT_TRUE(form->WorkTimer->Enabled());
    TicksUntilRest();
    ASSERT_TRUE(form->RestTimer->Enabled());
    PressF4();
    EXPECT_FALSE(form->RestTimer->Enabled());
    EXPECT_TRUE(form->WorkTimer->Enabled());
}

TEST_F(Interruption, F4AfterTheRestRanOutResumesWorkButKeepsAwaitingActivity) {
    StartWithRest(true);
    TicksUntilRest();
    Tick(61);
    ASSERT_TRUE(AwaitingActivity);
    PressF4();
    EXPECT_TRUE(form->WorkTimer->Enabled());
    EXPECT_TRUE(AwaitingActivity);
    EXPECT_EQ(MonitorOnCount(), 1);
    Tick(20);
    EXPECT_EQ(WorkSecondsLeft, 40);
    // The next input counts the work period from there.
    form->KeyboardHookKeyAction();
    EXPECT_FALSE(AwaitingActivity);
    EXPECT_EQ(WorkSecondsLeft, 60);
}

TEST_F(Interruption, AfterF4EndedTheWaitTheNextRestIsNotEndedByInput) {
    StartWithRest(true);
    TicksUntilRest();
    Tick(61);
    ASSERT_TRUE(AwaitingActivity);
    PressF4(); // back at work, still awaiting the first input
    // Nobody touches anything for the whole work period: the next rest begins.
    TicksUntilRest();
    ASSERT_TRUE(form->RestTimer->Enabled());
    EXPECT_FALSE(AwaitingActivity);
    Tick(5);
    form->MouseHookMouseMove();
    EXPECT_TRUE(form->RestTimer->Enabled());
    EXPECT_FALSE(form->WorkTimer->Enabled()) << "work and rest counted down at once";
    EXPECT_FALSE(form->TrayIcon->Enabled());
    EXPECT_EQ(RestSecondsLeft, 55);
}

TEST_F(Interruption, ActivityDuringWorkOrRestChangesNothing) {
    StartWithRest(true);
    Tick(10);
    form->MouseHookMouseMove();
    form->KeyboardHookKeyAction();
    EXPECT_EQ(WorkSecondsLeft, 50);
    TicksUntilRest();
    Tick(10);
    form->MouseHookMouseClick();
    form->MouseHookMouseMove();
    EXPECT_EQ(RestSecondsLeft, 50);
    EXPECT_TRUE(form->RestTimer->Enabled());
    EXPECT_EQ(p.Media_.OpenDeviceCount(), 1u);
}

TEST_F(Interruption, TheFirstInputAfterTheRestStartsAFreshWorkPeriod) {
    StartWithRest(true);
    TicksUntilRest();
    Tick(61);
    ASSERT_TRUE(AwaitingActivity);
    WriteSettings("WorkPeriod=2\r\nRestPeriod=1\r\n");
    form->MouseHookMouseMove();
    EXPECT_FALSE(AwaitingActivity);
    EXPECT_TRUE(form->WorkTimer->Enabled());
    EXPECT_TRUE(form->TrayIcon->Enabled());
    EXPECT_TRUE(form->TrayIcon->CycleIcons());
    EXPECT_EQ(p.Media_.OpenDeviceCount(), 0u);
    EXPECT_EQ(WorkSecondsLeft, 120); // settings read afresh
    EXPECT_EQ(MonitorOnCount(), 0);  // the user's own input wakes the monitor
}

TEST_F(Interruption, WithoutHooksTheIdleTimeEndsTheWait) {
    p.System_.IdleAvailable = true;
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=7\r\n");
    Start();
    ASSERT_FALSE(form->HooksActive());
    EXPECT_FALSE(form->IdleTimer->Enabled()); // no polling while working
    p.System_.IdleMs = 100000;
    TicksUntilRest();
    EXPECT_FALSE(form->IdleTimer->Enabled()); // nor while resting
    Tick(61);
    ASSERT_TRUE(AwaitingActivity);
    EXPECT_TRUE(form->IdleTimer->Enabled());
    p.System_.IdleMs = 103000; // still away
    Tick(3);
    EXPECT_TRUE(AwaitingActivity);
    p.System_.IdleMs = 200; // the user touched the mouse
    Tick();
    EXPECT_FALSE(AwaitingActivity);
    EXPECT_TRUE(form->WorkTimer->Enabled());
    EXPECT_FALSE(form->IdleTimer->Enabled());
}

} // namespace
