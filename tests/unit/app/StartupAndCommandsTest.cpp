// Start-up, the update check, the tray menu's commands and closing.
#include "MainFormTestSupport.h"

#include "app/Vistrel.h"
#include "settings/Localisation.h"
#include "settings/Settings.h"
#include "settings/Utilities.h"
#include "ui/Menus.h"

#include <algorithm>
#include <filesystem>
#include <limits>

using apptest::MainFormTest;

namespace {

class Commands : public MainFormTest {
protected:
    std::vector<std::string> WinExecs() const {
        std::vector<std::string> lines;
        for (auto& s : p.Process_.Starts)
            if (s.Kind == "WinExec")
                lines.push_back(s.File);
        return lines;
    }
};

// 2025-01-01 00:00 as a date-time value, and as the locale's text.
constexpr double NewYear = 45658.0;
const char* NewYearText = "LastUpdate=01/01/2025 00:00:00\r\n";

TEST_F(Commands, UpdateCheckRunsAfterFiveSecondsWhenFifteenDaysHavePassed) {
    p.Clock.SetNow(NewYear + 15.0);
    p.WriteFile("Program/Vistrel - tester.ini", std::string("[Update]\r\n") + NewYearText);
    Start();
    EXPECT_TRUE(form->TimerCheck->Enabled());
    Tick(4);
    EXPECT_TRUE(WinExecs().empty());
    Tick();
    ASSERT_EQ(WinExecs().size(), 1u);
    EXPECT_EQ(WinExecs()[0], p.ProgramDir() + settings::UpdaterFileName + " /silent");
    EXPECT_EQ(p.Process_.Starts.back().Show, os::SW_SHOWNORMAL);
    Tick(30);
    EXPECT_EQ(WinExecs().size(), 1u); // once per run
}

TEST_F(Commands, UpdateCheckWaitsUntilTheFifteenthDay) {
    p.Clock.SetNow(NewYear + 14.0 + 23.0 / 24.0);
    p.WriteFile("Program/Vistrel - tester.ini", std::string("[Update]\r\n") + NewYearText);
    Start();
    EXPECT_FALSE(form->TimerCheck->Enabled());
    Tick(10);
    EXPECT_TRUE(WinExecs().empty());
}

// F4 held by another program at logon: the start-up box waits, the timers run meanwhile.
TEST_F(Commands, AnUpdateCheckNotDueStaysOffWhileTheHotKeyBoxWaits) {
    p.Clock.SetNow(NewYear + 4.0);
    p.WriteFile("Program/Vistrel - tester.ini", std::string("[Update]\r\n") + NewYearText);
    p.Keys_.HeldElsewhere.insert({0, os::VK_F4});
    p.Shell_.WhileMessageBox = [this] { Tick(6); };
    Start();
    p.Shell_.WhileMessageBox = nullptr;
    ASSERT_EQ(p.Shell_.MessageBoxes.size(), 1u);
    Tick(10);
    EXPECT_TRUE(WinExecs().empty());
    EXPECT_FALSE(form->TimerCheck->Enabled());
}

TEST_F(Commands, UpdateCheckRunsForADateFarInTheFutureOrNeverStored) {
    p.Clock.SetNow(NewYear - 15.0);
    p.WriteFile("Program/Vistrel - tester.ini", std::string("[Update]\r\n") + NewYearText);
    Start();
    EXPECT_TRUE(form->TimerCheck->Enabled());
    form.reset();
    p.WriteFile("Program/Vistrel - tester.ini", "[Settings]\r\nWorkPeriod=5\r\n");
    Start();
    EXPECT_TRUE(form->TimerCheck->Enabled());
}

TEST_F(Commands, AProgramFolderWithABlankIsQuotedInTheUpdaterCommandLine) {
    std::filesystem::create_directories(p.Path("Program Files"));
    p.System_.ExePath = p.Path("Program Files/Vistrel");
    Start();
    Tick(5);
    ASSERT_EQ(WinExecs().size(), 1u);
    EXPECT_EQ(WinExecs()[0],
              "\"" + p.Path("Program Files/") + settings::UpdaterFileName + "\" /silent");
}

TEST_F(Commands, TheUpdateCommandRunsThePresentUpdaterOrReportsItMissing) {
    p.Clock.SetNow(0.0); // "never" is far behind: keep the automatic check out of the way
    Start();
    form->ActionUpdate->Execute();
    ASSERT_EQ(p.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Text, "Updater missing!");
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Caption, "Error");
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Flags, os::MB_ICONERROR);
    std::string updater =
        p.WriteFile(std::string("Program/") + settings::UpdaterFileName, "#!/bin/sh\n");
    form->ActionUpdate->Execute();
    ASSERT_FALSE(WinExecs().empty());
    EXPECT_EQ(WinExecs().back(), updater);
}

TEST_F(Commands, HelpOpensTheFileOfTheCurrentLanguageOnly) {
    p.WriteFile("Program/Language/English 1033.ini", "[Message]\r\n");
    p.WriteFile("Program/Help/1031/Help.chm", "x");
    Start();
    form->ActionHelp->Execute();
    ASSERT_EQ(p.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Text, "Help file missing!");
    std::string help = p.WriteFile("Program/Help/1033/Help.chm", "x");
    form->ActionHelp->Execute();
    auto& started = p.Process_.Starts.back();
    EXPECT_EQ(started.Kind, "ShellExecute");
    EXPECT_EQ(started.Verb, "open");
    EXPECT_EQ(started.File, help);
    EXPECT_EQ(p.Shell_.MessageBoxes.size(), 1u);
}

TEST_F(Commands, TheTrayMenuHoldsItsItemsInOrderWithOptionAsDefault) {
    Start();
    auto* items = form->PopupMenu->Items();
    ASSERT_EQ(items->Count(), 7);
    std::vector<std::string> captions;
    for (int i = 0; i < items->Count(); ++i)
        captions.push_back(items->Items(i)->Caption());
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Help", "About", "-", "Option", "Update", "-", "Exit"}));
    EXPECT_TRUE(form->PopupReset->Default());
}

TEST_F(Commands, AClickShowsTheTimeLeftAndHoveringUpdatesTheTooltip) {
    WriteSettings("WorkPeriod=3\r\n");
    Start();
    Tick(55);
    form->TrayIconClick();
    ASSERT_EQ(Balloons().size(), 1u);
    EXPECT_EQ(Balloons()[0], "00:02:05  left");
    form->TrayIconMouseMove();
    EXPECT_EQ(form->TrayIcon->Hint(), "Vistrel - 00:02:05  left");
    Tick();
    EXPECT_EQ(form->TrayIcon->Hint(), "Vistrel - 00:02:05  left"); // ticks do not refresh it
}

TEST_F(Commands, OptionsDuringWorkChangeTheComingRestOnly) {
    WriteSettings("WorkPeriod=5\r\nRestPeriod=10\r\nAlertMethod=7\r\n");
    Start();
    Tick(30);
    MainFormDialogs().ShowOptionForm = [&] {
        EXPECT_TRUE(OptionFormOpen);
        WriteSettings("WorkPeriod=1\r\nRestPeriod=2\r\nAlertMethod=7\r\n");
    };
    form->ActionOption->Execute();
    MainFormDialogs() = {};
    EXPECT_FALSE(OptionFormOpen);
    EXPECT_EQ(RestSecondsLeft, 120);
    EXPECT_EQ(WorkSecondsLeft, 270);
}

TEST_F(Commands, AHugeStoredPeriodDoesNotOverflowTheCountdowns) {
    WriteSettings("WorkPeriod=100000000\r\nRestPeriod=-100000000\r\nAlertMethod=7\r\n");
    Start();
    EXPECT_EQ(WorkSecondsLeft, 86399);
    EXPECT_EQ(RestSecondsLeft, std::numeric_limits<std::int32_t>::min());
    MainFormDialogs().ShowOptionForm = [&] {
        WriteSettings("WorkPeriod=1\r\nRestPeriod=100000000\r\nAlertMethod=7\r\n");
    };
    form->ActionOption->Execute();
    MainFormDialogs() = {};
    // The reload after the dialog sets the rest uncapped, as stored, but within range.
    EXPECT_EQ(RestSecondsLeft, std::numeric_limits<std::int32_t>::max());
}

TEST_F(Commands, OptionsClosedDuringARestReloadNothing) {
    WriteSettings("WorkPeriod=1\r\nRestPeriod=10\r\nAlertMethod=7\r\n");
    Start();
    TicksUntilRest();
    MainFormDialogs().ShowOptionForm = [&] {
        WriteSettings("WorkPeriod=1\r\nRestPeriod=2\r\nAlertMethod=7\r\n");
    };
    form->ActionOption->Execute();
    MainFormDialogs() = {};
    EXPECT_EQ(RestSecondsLeft, 600);
}

// The session ends (or a signal comes) during the rest in which the user confirmed new
// settings: closing keeps them, and the autostart entry follows them, not the older copy the
// rest runs on.
TEST_F(Commands, SettingsConfirmedDuringARestSurviveTheClose) {
    WriteSettings("WorkPeriod=1\r\nRestPeriod=10\r\nAlertMethod=7\r\nAutoRun=1\r\n");
    Start();
    p.Loop_.SetEndSessionHandler([this] { form->Close(); });
    TicksUntilRest();
    MainFormDialogs().ShowOptionForm = [] {
        settings::TVLSettings confirmed;
        settings::LoadSettings(confirmed);
        confirmed.WorkPeriod = 3;
        confirmed.AutoRun = false;
        settings::SaveSettings(confirmed); // what OK does
    };
    form->ActionOption->Execute();
    MainFormDialogs() = {};
    ASSERT_EQ(p.AutoRun_.Values.count("Vistrel"), 0u);
    Tick(3);
    EXPECT_EQ(RestSecondsLeft, 597); // the running rest is not disturbed
    p.Loop_.EndSession();
    p.Loop_.SetEndSessionHandler(nullptr);
    ASSERT_TRUE(p.Loop_.Terminated());
    std::string ini = p.ReadFile(p.ProgramDir() + "Vistrel - tester.ini");
    EXPECT_NE(ini.find("WorkPeriod=3"), std::string::npos) << ini;
    EXPECT_NE(ini.find("AutoRun=0"), std::string::npos) << ini;
    EXPECT_EQ(p.AutoRun_.Values.count("Vistrel"), 0u);
}

TEST_F(Commands, ASecondOptionOrAboutWhileOneIsOpenBringsItToTheFront) {
    Start();
    int shown = 0;
    MainFormDialogs().ShowOptionForm = [&] {
        ++shown;
        form->ActionOption->Execute();
        form->ActionAbout->Execute(); // About may open beside it
    };
    MainFormDialogs().ShowAboutForm = [&] { form->ActionAbout->Execute(); };
    form->ActionOption->Execute();
    MainFormDialogs() = {};
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(p.Loop_.BringToFrontCount, 2);
    EXPECT_FALSE(OptionFormOpen);
    EXPECT_FALSE(AboutFormOpen);
}

TEST_F(Commands, ALanguageChangeReCaptionsTheTrayMenuAndTheMessages) {
    p.WriteFile("Program/Language/Deutsch 1031.ini",
                "[MainForm]\r\nActionOption.Caption=Optionen\r\nActionExit.Caption=Beenden\r\n"
                "[Message]\r\nMsgTimeLeft=\" verbleibend\"\r\n");
    Start();
    EXPECT_EQ(form->PopupReset->Caption(), "Option");
    MainFormDialogs().ShowOptionForm = [&] { WriteSettings("Language=Deutsch 1031\r\n"); };
    form->ActionOption->Execute();
    MainFormDialogs() = {};
    EXPECT_EQ(form->PopupReset->Caption(), "Optionen");
    EXPECT_EQ(form->PopupExit->Caption(), "Beenden");
    EXPECT_EQ(settings::MsgTimeLeft, " verbleibend");
}

TEST_F(Commands, ExitSavesTheSettingsRemovesTheIconAndEndsTheLoop) {
    WriteSettings("WorkPeriod=7\r\nAutoRun=1\r\n");
    Start();
    form->ActionExit->Execute();
    std::string ini = p.ReadFile(p.ProgramDir() + "Vistrel - tester.ini");
    for (auto key :
         {"AlertMethod=", "AutoRun=1", "AutoUpdate=", "CanInterrupt=", "Language=", "MusicFile=",
          "PlayMethod=", "RestPeriod=", "ScreenSaver=", "SSMethod=", "WorkPeriod=7"})
        EXPECT_NE(ini.find(key), std::string::npos) << key;
    EXPECT_EQ(p.AutoRun_.Values.at("Vistrel"), "\"" + p.System_.ExePath + "\"");
    EXPECT_EQ(p.Shell_.NotifyCalls.back().Message, os::NIM_DELETE);
    EXPECT_TRUE(p.Shell_.IconsShown.empty());
    EXPECT_TRUE(p.Loop_.Terminated());
}

TEST_F(Commands, TheEndOfTheSessionClosesAsExitDoes) {
    WriteSettings("WorkPeriod=9\r\n");
    bool saved = false;
    // The entry runs the whole program: the session ends three seconds in.
    auto t = p.Loop_.SetTimer(p.Loop_.ApplicationWindow(), 77, 3000);
    ASSERT_TRUE(t);
    int hookId = p.Loop_.HookApplicationWindow([&](os::UINT msg, os::WPARAM w, os::LPARAM) {
        if (msg == os::WM_TIMER && w == 77 && !saved) {
            saved = true;
            p.Loop_.EndSession();
        }
    });
    EXPECT_EQ(VistrelMain(), 0);
    p.Loop_.UnhookApplicationWindow(hookId);
    EXPECT_TRUE(saved);
    EXPECT_NE(p.ReadFile(p.ProgramDir() + "Vistrel - tester.ini").find("WorkPeriod=9"),
              std::string::npos);
    EXPECT_TRUE(p.Shell_.IconsShown.empty());
    EXPECT_TRUE(p.Keys_.Registered.empty());
}

TEST_F(Commands, TheEndOfTheSessionDuringAScreenSaverRestClosesWithoutWaitingForIt) {
    std::string saver = p.WriteFile("Windows/System/Stars.scr", "x");
    p.Process_.ProcessLifetimeMs = 0; // runs until somebody dismisses it
    WriteSettings("WorkPeriod=1\r\nRestPeriod=5\r\nAlertMethod=3\r\nScreenSaver=" + saver + "\r\n");
    bool ended = false;
    p.Process_.WhileWaiting = [&](os::HANDLE) {
        if (!ended && p.Time.NowMs > 70000) {
            ended = true;
            p.Loop_.EndSession();
        }
    };
    EXPECT_EQ(VistrelMain(), 0);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(p.Shell_.IconsShown.empty());
    EXPECT_TRUE(p.Process_.OpenHandles.empty());
}

// A settings file that cannot be written (a folder in its place): at the session's end or on a
// signal nobody is there to answer a box, so the failure goes to the error output and the
// program ends.
TEST_F(Commands, AFailedSaveAtTheSessionsEndWaitsForNobody) {
    const std::string ini = p.ProgramDir() + "Vistrel - tester.ini";
    std::filesystem::create_directories(ini);
    Start();
    p.Loop_.SetEndSessionHandler([this] { form->Close(); });
    ::testing::internal::CaptureStderr();
    p.Loop_.EndSession();
    p.Loop_.EndSession(); // a second signal
    std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(p.Shell_.MessageBoxes.empty());
    EXPECT_NE(errors.find("Unable to write to " + ini), std::string::npos) << errors;
    EXPECT_TRUE(p.Loop_.Terminated());
    EXPECT_TRUE(p.Shell_.IconsShown.empty());
    p.Loop_.SetEndSessionHandler(nullptr);
}

// The user's own Exit shows the failure, and a signal while the box waits still ends the program.
TEST_F(Commands, AFailedSaveOnExitIsShownAndASignalStillEndsTheProgram) {
    const std::string ini = p.ProgramDir() + "Vistrel - tester.ini";
    std::filesystem::create_directories(ini);
    Start();
    p.Loop_.SetEndSessionHandler([this] { form->Close(); });
    bool endedWhileBoxWaits = false;
    p.Shell_.WhileMessageBox = [&] {
        p.Loop_.EndSession(); // logout while the user looks at the box
        endedWhileBoxWaits = p.Loop_.Terminated();
    };
    ::testing::internal::CaptureStderr();
    form->ActionExit->Execute();
    ::testing::internal::GetCapturedStderr();
    p.Loop_.SetEndSessionHandler(nullptr);
    ASSERT_EQ(p.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Text, "Unable to write to " + ini);
    EXPECT_TRUE(endedWhileBoxWaits);
}

TEST_F(Commands, ASecondInstanceEndsAtOnceAndShowsNothing) {
    p.Process_.ExistingMutexes.insert("Vistrel 3");
    EXPECT_EQ(VistrelMain(), 0);
    EXPECT_TRUE(p.Shell_.NotifyCalls.empty());
    EXPECT_TRUE(p.Shell_.MessageBoxes.empty());
    EXPECT_TRUE(p.Keys_.Registered.empty());
}

} // namespace
