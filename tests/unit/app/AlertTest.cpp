// The music and screen-saver alerts, kept going through a rest.
#include "MainFormTestSupport.h"

#include <algorithm>
#include <set>
#include <string>

using apptest::MainFormTest;

namespace {

class Alerts : public MainFormTest {
protected:
    int Count(const std::string& command) const {
        return static_cast<int>(
            std::count_if(p.Media_.Commands.begin(), p.Media_.Commands.end(),
                          [&](const fake::FakeMci::Command& c) { return c.Name == command; }));
    }
    int ScreenSaverStarts() const {
        return static_cast<int>(std::count_if(
            p.Process_.Starts.begin(), p.Process_.Starts.end(),
            [](const fake::FakeProcess::Started& s) { return s.Kind == "ShellExecuteEx"; }));
    }
};

TEST_F(Alerts, SelectedMusicPlaysAndStartsAgainWhenItEnds) {
    std::string song = p.WriteFile("Program/Music/Song.wav", "x");
    p.WriteFile("Program/Music/Other.wav", "x");
    p.Media_.Lengths[song] = 5000;
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=1\r\nPlayMethod=0\r\n"
                  "MusicFile=Song.wav\r\n");
    Start();
    TicksUntilRest();
    ASSERT_EQ(Count("open"), 1);
    EXPECT_EQ(p.Media_.Commands[0].Element, song);
    EXPECT_EQ(Count("play"), 1);
    Tick(4);
    EXPECT_EQ(Count("open"), 1); // still playing
    Tick(2);
    EXPECT_EQ(Count("open"), 2); // ended, so the next rest tick played it again
    EXPECT_EQ(p.Media_.Commands.back().Name, "play");
    EXPECT_EQ(MonitorOffCount(), 0);
}

// A sequencer without a MIDI output opens and then "plays" at position 0 for ever, with no
// notification: the rest still ends on time, the next input closes the device, and the next
// rest opens one device again, not a second one beside it.
TEST_F(Alerts, MusicThatNeverAdvancesStillLetsTheRestEndAndLeavesOneDeviceAtATime) {
    std::string tune = p.WriteFile("Program/Music/Tune.mid", "x");
    p.Media_.Lengths[tune] = 5000;
    p.Media_.PlayStalls = true;
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=1\r\nMusicFile=Tune.mid\r\n");
    Start();
    for (int rest = 0; rest < 2; ++rest) {
        TicksUntilRest();
        ASSERT_EQ(p.Media_.OpenDeviceCount(), 1u) << rest;
        Tick(60);
        EXPECT_FALSE(AwaitingActivity) << rest;
        Tick();
        EXPECT_TRUE(AwaitingActivity) << "the rest did not end on time";
        EXPECT_FALSE(form->RestTimer->Enabled());
        EXPECT_EQ(Count("open"), rest + 1) << "the stuck piece was opened again";
        form->KeyboardHookKeyAction();
        EXPECT_EQ(p.Media_.OpenDeviceCount(), 0u) << "the device stayed open after the rest";
        EXPECT_TRUE(form->WorkTimer->Enabled());
    }
}

TEST_F(Alerts, MusicThatCannotBePlayedEndsTheRestAtOnce) {
    p.WriteFile("Program/Music/notes.txt", "not music");
    WriteSettings("WorkPeriod=1\r\nRestPeriod=10\r\nAlertMethod=1\r\nPlayMethod=1\r\n");
    Start();
    TicksUntilRest();
    EXPECT_TRUE(AwaitingActivity);
    EXPECT_FALSE(form->RestTimer->Enabled());
    EXPECT_EQ(p.Media_.OpenDeviceCount(), 0u);
    EXPECT_TRUE(p.Shell_.MessageBoxes.empty());
    // The next input resumes work.
    form->MouseHookMouseMove();
    EXPECT_FALSE(AwaitingActivity);
    EXPECT_TRUE(form->WorkTimer->Enabled());
    EXPECT_EQ(WorkSecondsLeft, 60);
}

TEST_F(Alerts, NoMusicFolderShowsTheErrorNoticeAndTheRestGoesOn) {
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=2\r\n");
    Start();
    TicksUntilRest();
    ASSERT_EQ(Balloons().size(), 1u);
    EXPECT_EQ(Balloons()[0], "Music file(s) missing!");
    auto& last = p.Shell_.NotifyCalls.back().Data;
    EXPECT_EQ(last.dwInfoFlags, os::NIIF_ERROR);
    EXPECT_EQ(last.uTimeoutOrVersion, 10000u);
    EXPECT_TRUE(form->RestTimer->Enabled());
    EXPECT_FALSE(AwaitingActivity);
    EXPECT_EQ(MonitorOffCount(), 1); // method 2 also turns the monitor off
}

TEST_F(Alerts, RandomMusicFromAFolderOfOneAlwaysPicksIt) {
    std::string only = p.WriteFile("Program/Music/Only.mid", "x");
    p.Media_.Lengths[only] = 1000;
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=1\r\nPlayMethod=1\r\n");
    Start();
    TicksUntilRest();
    Tick(10);
    ASSERT_GE(Count("open"), 3);
    for (auto& c : p.Media_.Commands) {
        if (c.Name == "open") {
            EXPECT_EQ(c.Element, only);
        }
    }
}

TEST_F(Alerts, RandomPicksReachEveryMusicFileAndEveryScreenSaver) {
    for (const char* name : {"A.mid", "B.mid", "C.mid"})
        p.Media_.Lengths[p.WriteFile(std::string("Program/Music/") + name, "x")] = 1000;
    for (const char* name : {"A.scr", "B.scr", "C.scr"})
        p.WriteFile(std::string("Windows/System/") + name, "x");
    p.Process_.ProcessLifetimeMs = 1500;
    WriteSettings("WorkPeriod=1\r\nRestPeriod=5\r\nAlertMethod=1\r\nPlayMethod=1\r\n");
    Start();
    TicksUntilRest();
    Tick(5 * 60); // each piece lasts a second, so the rest draws again and again
    std::set<std::string> played;
    for (auto& c : p.Media_.Commands)
        if (c.Name == "open")
            played.insert(c.Element.substr(c.Element.rfind(os::PathDelim) + 1));
    EXPECT_EQ(played, (std::set<std::string>{"A.mid", "B.mid", "C.mid"}));

    form.reset();
    WriteSettings("WorkPeriod=1\r\nRestPeriod=5\r\nAlertMethod=3\r\nSSMethod=1\r\n");
    Start();
    TicksUntilRest();
    Tick(5 * 60);
    std::set<std::string> savers;
    for (auto& s : p.Process_.Starts)
        if (s.Kind == "ShellExecuteEx")
            savers.insert(s.File);
    EXPECT_EQ(savers, (std::set<std::string>{"A.scr", "B.scr", "C.scr"}));
}

TEST_F(Alerts, AnOpenOptionsDialogStopsItsPreviewBeforeTheAlertPlays) {
    std::string song = p.WriteFile("Program/Music/Song.wav", "x");
    p.Media_.Lengths[song] = 5000;
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=1\r\nPlayMethod=0\r\n"
                  "MusicFile=Song.wav\r\n");
    int previewClosed = 0;
    int mediaCommandsAtClose = -1;
    MainFormDialogs().CloseOptionFormPlayer = [&] {
        ++previewClosed;
        mediaCommandsAtClose = static_cast<int>(p.Media_.Commands.size());
    };
    MainFormDialogs().ShowOptionForm = [&] { TicksUntilRest(); };
    Start();
    form->ActionOption->Execute();
    MainFormDialogs() = {};
    EXPECT_EQ(previewClosed, 1);
    EXPECT_EQ(mediaCommandsAtClose, 0); // before the alert opened its music
    EXPECT_EQ(Count("play"), 1);
}

TEST_F(Alerts, TheScreenSaverRunsAgainAfterItExitsButNotWhileItRuns) {
    std::string saver = p.WriteFile("Windows/System/Stars.scr", "x");
    p.Process_.ProcessLifetimeMs = 3500; // ends between two rest ticks
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=3\r\nSSMethod=0\r\n"
                  "ScreenSaver=" +
                  saver + "\r\n");
    Start();
    TicksUntilRest(); // returns once the first screen saver has exited
    ASSERT_EQ(ScreenSaverStarts(), 1);
    auto& first = p.Process_.Starts.back();
    EXPECT_EQ(first.File, saver);
    EXPECT_EQ(first.Parameters, "/S");
    // Rest ticks ran during the wait.
    EXPECT_LE(RestSecondsLeft, 58);
    EXPECT_TRUE(ScreenSaverEnded);
    Tick();
    EXPECT_EQ(ScreenSaverStarts(), 2);
}

TEST_F(Alerts, AMissingSelectedScreenSaverRunsARandomOneByItsBareName) {
    p.WriteFile("Windows/System/Only.scr", "x");
    p.Process_.ProcessLifetimeMs = 3500;
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=3\r\nSSMethod=0\r\n"
                  "ScreenSaver=/nowhere/Gone.scr\r\n");
    Start();
    TicksUntilRest();
    ASSERT_EQ(ScreenSaverStarts(), 1);
    EXPECT_EQ(p.Process_.Starts.back().File, "Only.scr");
}

TEST_F(Alerts, NoScreenSaverAtAllRunsNothingAndRetriesNothing) {
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=3\r\nSSMethod=1\r\n");
    Start();
    TicksUntilRest();
    Tick(5);
    EXPECT_FALSE(ScreenSaverEnded);
    // An empty name is tried once and fails; nothing is retried.
    EXPECT_LE(ScreenSaverStarts(), 1);
    EXPECT_TRUE(p.Shell_.MessageBoxes.empty());
}

TEST_F(Alerts, TheHotKeyInsideTheScreenSaverWaitEndsTheRestAndTheSaverIsNotRestarted) {
    std::string saver = p.WriteFile("Windows/System/Stars.scr", "x");
    p.Process_.ProcessLifetimeMs = 5000;
    WriteSettings("WorkPeriod=1\r\nRestPeriod=1\r\nAlertMethod=3\r\nCanInterrupt=1\r\n"
                  "ScreenSaver=" +
                  saver + "\r\n");
    bool pressed = false;
    p.Process_.WhileWaiting = [&](os::HANDLE) {
        if (!pressed && RestSecondsLeft <= 58) {
            pressed = true;
            PressF4();
        }
    };
    Start();
    Tick(61); // the last work tick starts the screen saver and waits for it
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(form->WorkTimer->Enabled());
    EXPECT_FALSE(form->RestTimer->Enabled());
    // A full new period began at the key press; work ticks ran during the rest of the wait.
    EXPECT_LT(WorkSecondsLeft, 60);
    EXPECT_GE(WorkSecondsLeft, 55);
    Tick(3);
    EXPECT_EQ(ScreenSaverStarts(), 1);
    EXPECT_EQ(MonitorOnCount(), 1);
}

} // namespace
