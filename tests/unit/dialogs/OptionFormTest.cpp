#include "dialogs/Dialogs.h"
#include "dialogs/FormOption.h"
#include "FakePlatform.h"
#include "os/common/CommandLine.h"
#include "platform/MPlayer.h"
#include "settings/Localisation.h"
#include "ui/Application.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using dialogs::TOptionForm;

namespace {

std::vector<std::string> Lines(const ui::TStrings& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    return lines;
}

class OptionFormTest : public ::testing::Test {
protected:
    OptionFormTest() {
        platform.WriteFile("Program/Language/English 1033.ini", "[Message]\r\nMsgAlert=Alert\r\n");
        platform.WriteFile("Program/Language/Deutsch 1031.ini",
                           "[Message]\r\nMsgAlert=Achtung\r\n");
        platform.Media_.AnyFileOpens = true;
        // The language in force is process-wide: start each test from the default one.
        settings::TVLSettings defaults;
        settings::DefaultSettings(defaults);
    }

    std::string Ini() const { return platform.ProgramDir() + "Vistrel - tester.ini"; }
    void WriteIni(const std::string& settingsLines) {
        platform.WriteFile("Program/Vistrel - tester.ini", "[Settings]\r\n" + settingsLines);
    }
    std::string Stored(const std::string& key) {
        return platform.Profile_.GetPrivateProfileString("Settings", key, "<missing>", Ini());
    }
    std::string MusicDir() const { return platform.ProgramDir() + "Music" + os::PathDelim; }
    std::string AddMusicFile(const std::string& name) {
        return platform.WriteFile("Program/Music/" + name, "music");
    }
    std::string SaverDir() const { return platform.System_.SystemDir + os::PathDelim; }

    std::unique_ptr<TOptionForm> Open() { return ui::CreateForm<TOptionForm>(); }

    // What a click does when it comes through the message loop: an error is shown, not thrown.
    static void Press(ui::TButton& button) {
        ui::HandleExceptions([&] { button.Click(); });
    }
    int OpenCommands() const {
        int n = 0;
        for (const auto& c : platform.Media_.Commands)
            n += c.Name == "open" ? 1 : 0;
        return n;
    }

    fake::FakePlatform platform;
};

TEST_F(OptionFormTest, ShowsTheStoredSettingsOnEveryPage) {
    AddMusicFile("a.mid");
    AddMusicFile("Night.m3u");
    platform.WriteFile("Windows/System/mystify.scr", "");
    platform.WriteFile("Windows/System/bezier.scr", "");
    WriteIni("WorkPeriod=35\r\nRestPeriod=7\r\nAlertMethod=2\r\nAutoRun=0\r\nAutoUpdate=1\r\n"
             "CanInterrupt=0\r\nLanguage=Deutsch 1031\r\nMusicFile=night.M3U\r\nPlayMethod=1\r\n"
             "SSMethod=1\r\nScreenSaver=D:\\Elsewhere/mystify.scr\r\n");
    auto form = Open();
    EXPECT_EQ(form->Caption(), "Option");
    EXPECT_EQ(form->ClientWidth(), 392);
    EXPECT_EQ(form->ClientHeight(), 366);
    EXPECT_EQ(form->PageControl->ActivePageIndex(), 0);
    EXPECT_EQ(form->SEWorkPeriod->Value(), 35);
    EXPECT_EQ(form->SERestPeriod->Value(), 7);
    EXPECT_TRUE(form->RBAlertMethod2->Checked());
    EXPECT_FALSE(form->RBAlertMethod1->Checked());
    EXPECT_FALSE(form->CBAutoRun->Checked());
    EXPECT_TRUE(form->CBAutoUpdate->Checked());
    EXPECT_FALSE(form->CBInterrupt->Checked());
    EXPECT_EQ(Lines(form->LBLanguage->Items()),
              (std::vector<std::string>{"Deutsch 1031", "English 1033"}));
    EXPECT_EQ(form->LBLanguage->ItemIndex(), 0);
    EXPECT_EQ(Lines(form->LBMusic->Items()), (std::vector<std::string>{"a.mid", "Night.m3u"}));
    EXPECT_EQ(form->LBMusic->ItemIndex(), 1);
    EXPECT_TRUE(form->RBPlayMethod1->Checked());
    EXPECT_EQ(Lines(form->CBScreenSaver->Items()),
              (std::vector<std::string>{"bezier.scr", "mystify.scr"}));
    EXPECT_EQ(form->CBScreenSaver->Text(), "mystify.scr");
    EXPECT_TRUE(form->RBSSMethod1->Checked());
    EXPECT_TRUE(platform.Shell_.MessageBoxes.empty());
    // The player waits for the first visit to the Music page.
    EXPECT_EQ(form->MediaPlayer->FileName(), "");

    Press(*form->BOK);
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(Stored("WorkPeriod"), "35");
    EXPECT_EQ(Stored("AlertMethod"), "2");
    EXPECT_EQ(Stored("MusicFile"), "Night.m3u"); // the entry's own letter case
    EXPECT_EQ(Stored("ScreenSaver"), SaverDir() + "mystify.scr");
    EXPECT_EQ(Stored("Language"), "Deutsch 1031");
    EXPECT_EQ(Stored("SSMethod"), "1");
}

TEST_F(OptionFormTest, ValuesOutOfRangeLeaveTheDesignChoices) {
    WriteIni(
        "AlertMethod=7\r\nPlayMethod=5\r\nSSMethod=-1\r\nWorkPeriod=0\r\nRestPeriod=99999\r\n");
    auto form = Open();
    EXPECT_TRUE(form->RBAlertMethod1->Checked());
    EXPECT_TRUE(form->RBPlayMethod0->Checked());
    EXPECT_TRUE(form->RBSSMethod0->Checked());
    EXPECT_EQ(form->SEWorkPeriod->Value(), 1);
    EXPECT_EQ(form->SERestPeriod->Value(), 1440);
    Press(*form->BOK);
    EXPECT_EQ(Stored("AlertMethod"), "1");
    EXPECT_EQ(Stored("PlayMethod"), "0");
    EXPECT_EQ(Stored("SSMethod"), "0");
    EXPECT_EQ(Stored("WorkPeriod"), "1");
    EXPECT_EQ(Stored("RestPeriod"), "1440");
}

TEST_F(OptionFormTest, PeriodFieldsCorrectTypedNumbersWhenTheFocusLeaves) {
    auto form = Open();
    form->SEWorkPeriod->SetFocus();
    form->SEWorkPeriod->SetText("0");
    form->CBInterrupt->SetFocus();
    EXPECT_EQ(form->SEWorkPeriod->Text(), "1");

    form->SERestPeriod->SetFocus();
    form->SERestPeriod->SetText("2000");
    form->SEWorkPeriod->SetFocus();
    EXPECT_EQ(form->SERestPeriod->Text(), "1440");
    form->SERestPeriod->SetFocus();
    form->SERestPeriod->StepUp();
    EXPECT_EQ(form->SERestPeriod->Value(), 1440);

    form->SEWorkPeriod->SetText("abc");
    form->CBAutoRun->SetFocus();
    Press(*form->BOK);
    EXPECT_EQ(Stored("WorkPeriod"), "1");
    EXPECT_EQ(Stored("RestPeriod"), "1440");
}

TEST_F(OptionFormTest, OkByItsShortcutStoresPeriodsWithinRangeWhileTheFieldHasTheFocus) {
    // Alt+O runs the action with the focus still in the field: no exit correction has run.
    const std::pair<const char*, const char*> cases[] = {
        {"0", "1"}, {"-5", "1"}, {"2000", "1440"}, {"99999999999", "1"}, {"720", "720"}};
    for (auto [typed, stored] : cases) {
        auto form = Open();
        form->SEWorkPeriod->SetFocus();
        form->SEWorkPeriod->SetText(typed);
        form->ActionOK->Execute();
        EXPECT_EQ(Stored("WorkPeriod"), stored) << typed;
        form = Open();
        form->SERestPeriod->SetFocus();
        form->SERestPeriod->SetText(typed);
        form->ActionOK->Execute();
        EXPECT_EQ(Stored("RestPeriod"), stored) << typed;
    }
}

TEST_F(OptionFormTest, DefaultAsksAndOnlyOkStoresTheDefaults) {
    AddMusicFile("Canon in D.mid");
    AddMusicFile("Other.mid");
    WriteIni("WorkPeriod=20\r\nAlertMethod=0\r\nAutoRun=0\r\nMusicFile=Other.mid\r\n"
             "Language=Deutsch 1031\r\nPlayMethod=0\r\n");
    const std::string before = platform.ReadFile(Ini());

    auto form = Open();
    Press(*form->BDefault); // answered No by default
    ASSERT_EQ(platform.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Text,
              "Are you sure to restore default settings of all pages?");
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Caption, "Achtung"); // the stored language's
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Flags, os::MB_YESNO | os::MB_ICONQUESTION);
    EXPECT_EQ(form->SEWorkPeriod->Value(), 20);

    platform.Shell_.MessageBoxAnswers = {os::IDYES};
    Press(*form->BDefault);
    EXPECT_EQ(form->SEWorkPeriod->Value(), 50);
    EXPECT_TRUE(form->RBAlertMethod3->Checked());
    EXPECT_TRUE(form->CBAutoRun->Checked());
    EXPECT_EQ(form->LBLanguage->Items()[form->LBLanguage->ItemIndex()], "English 1033");
    EXPECT_EQ(form->LBMusic->Items()[form->LBMusic->ItemIndex()], "Canon in D.mid");
    // The player and the description follow the newly selected music.
    EXPECT_EQ(form->MediaPlayer->FileName(), MusicDir() + "Canon in D.mid");
    EXPECT_TRUE(form->MediaPlayer->Opened());

    Press(*form->BCancel);
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(platform.ReadFile(Ini()), before);
    EXPECT_FALSE(form->MediaPlayer->Opened()); // closing stops the preview player

    auto again = Open();
    platform.Shell_.MessageBoxAnswers = {os::IDYES};
    Press(*again->BDefault);
    Press(*again->BOK);
    EXPECT_EQ(Stored("WorkPeriod"), "50");
    EXPECT_EQ(Stored("AlertMethod"), "3");
    EXPECT_EQ(Stored("AutoRun"), "1");
    EXPECT_EQ(Stored("PlayMethod"), "1");
    EXPECT_EQ(Stored("MusicFile"), "Canon in D.mid");
    EXPECT_EQ(Stored("Language"), "English 1033");
}

TEST_F(OptionFormTest, OkWithNothingSelectedStoresEmptyChoicesAndTheSaverFolder) {
    fs::remove_all(platform.ProgramDir() + "Language");
    WriteIni("Language=Klingon 9999\r\nMusicFile=gone.mid\r\nScreenSaver=gone.scr\r\n");
    auto form = Open();
    EXPECT_EQ(form->LBLanguage->Items().Count(), 0);
    Press(*form->BOK);
    EXPECT_EQ(Stored("Language"), "");
    EXPECT_EQ(Stored("MusicFile"), "");
    EXPECT_EQ(Stored("ScreenSaver"), SaverDir());
}

TEST_F(OptionFormTest, AStoredLanguageInOtherLetterCaseSelectsTheFilesName) {
    WriteIni("Language=deutsch 1031\r\n");
    auto form = Open();
    ASSERT_EQ(form->LBLanguage->ItemIndex(), 0);
    Press(*form->BOK);
    EXPECT_EQ(Stored("Language"), "Deutsch 1031");
}

TEST_F(OptionFormTest, WithoutAMusicFolderTheListIsEmptyAndNothingIsSaid) {
    auto form = Open();
    EXPECT_EQ(form->LBMusic->Items().Count(), 0);
    form->PageControl->SelectPageByUser(1);
    Press(*form->BDeleteMusic);
    EXPECT_TRUE(platform.Shell_.MessageBoxes.empty());
    EXPECT_EQ(OpenCommands(), 0);
}

TEST_F(OptionFormTest, TheFirstVisitToTheMusicPageLoadsThePlayerOnce) {
    AddMusicFile("a.mid");
    WriteIni("MusicFile=a.mid\r\n");
    auto form = Open();
    form->PageControl->SelectPageByUser(2);
    EXPECT_EQ(OpenCommands(), 0);
    form->PageControl->SelectPageByUser(1);
    EXPECT_EQ(form->MediaPlayer->FileName(), MusicDir() + "a.mid");
    EXPECT_TRUE(form->MediaPlayer->ButtonEnabled(platform::btPlay));
    EXPECT_FALSE(form->MediaPlayer->ButtonEnabled(platform::btStop));
    form->PageControl->SelectPageByUser(0);
    form->PageControl->SelectPageByUser(1);
    EXPECT_EQ(OpenCommands(), 1);
}

TEST_F(OptionFormTest, AnEntryThatCannotBePlayedShowsTheDevicesErrorAndFreesTheCursor) {
    AddMusicFile("notes.txt");
    auto form = Open();
    platform.Media_.AnyFileOpens = false;
    ui::HandleExceptions([&] { form->LBMusic->SelectByUser(0); });
    ASSERT_EQ(platform.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Flags, os::MB_OK | os::MB_ICONERROR);
    EXPECT_FALSE(form->MediaPlayer->Opened());
    EXPECT_EQ(form->LBMusic->Cursor(), ui::TCursor::crDefault);
}

TEST_F(OptionFormTest, AddMakesAPlaylistNamedAfterTheChosenFile) {
    AddMusicFile("Night.mid"); // a media file of that base name does not block
    auto form = Open();
    settings::MsgFilter = "Alle Musik";
    platform.Shell_.OpenFileAnswers = {"/Songs/Night.mp3"};
    Press(*form->BAddMusic);

    ASSERT_EQ(platform.Shell_.OpenFileDialogs.size(), 1u);
    EXPECT_EQ(platform.Shell_.OpenFileDialogs[0].Filter,
              "Alle Musik|*.mid;*.midi;*.wav;*.mp3|MIDI (*.mid; *.midi)|*.mid;*.midi|"
              "Wave (*.wav)|*.wav|MP3 (*.mp3)|*.mp3");
    EXPECT_EQ(platform.Shell_.OpenFileDialogs[0].FilterIndex, 1);
    EXPECT_EQ(platform.ReadFile(MusicDir() + "Night.m3u"), "/Songs/Night.mp3\r\n");
    EXPECT_EQ(Lines(form->LBMusic->Items()), (std::vector<std::string>{"Night.m3u", "Night.mid"}));
    EXPECT_EQ(form->LBMusic->ItemIndex(), 0);
    EXPECT_EQ(form->MediaPlayer->FileName(), MusicDir() + "Night.m3u");
    EXPECT_TRUE(form->MediaPlayer->Opened());

    // The same base name from elsewhere, with another extension, is refused.
    platform.Shell_.OpenFileAnswers = {"/Other/Night.wav"};
    Press(*form->BAddMusic);
    ASSERT_EQ(platform.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Text, "Music already exists.");
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Caption, "Error");
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Flags, os::MB_OK | os::MB_ICONERROR);
    EXPECT_EQ(platform.ReadFile(MusicDir() + "Night.m3u"), "/Songs/Night.mp3\r\n");

    // A name without an extension gets one; a cancelled dialog does nothing.
    platform.Shell_.OpenFileAnswers = {"/Songs/v1.0/Lullaby", ""};
    Press(*form->BAddMusic);
    Press(*form->BAddMusic);
    EXPECT_EQ(Lines(form->LBMusic->Items()),
              (std::vector<std::string>{"Lullaby.m3u", "Night.m3u", "Night.mid"}));
    EXPECT_EQ(platform.Shell_.MessageBoxes.size(), 1u);
}

TEST_F(OptionFormTest, AddIntoAMissingMusicFolderReportsTheFailure) {
    auto form = Open();
    platform.Shell_.OpenFileAnswers = {"/Songs/Night.mp3"};
    Press(*form->BAddMusic);
    ASSERT_EQ(platform.Shell_.MessageBoxes.size(), 1u);
    EXPECT_NE(platform.Shell_.MessageBoxes[0].Text.find("Night.m3u"), std::string::npos);
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Flags, os::MB_OK | os::MB_ICONERROR);
    EXPECT_EQ(form->LBMusic->Items().Count(), 0);
}

TEST_F(OptionFormTest, TheDescriptionIsLookedUpIgnoringLetterCase) {
    AddMusicFile("Night.m3u");
    AddMusicFile("Day.mid");
    platform.WriteFile("Program/Music/Info/MusicInfo-1033.dat",
                       "other=x\r\nnight.M3U=A calm night\r\nNight.m3u=second line\r\n");
    WriteIni("Language=English 1033\r\n");
    auto form = Open();
    form->MMusicInfo->SetText("typed");
    form->LBMusic->SelectByUser(1);
    EXPECT_EQ(form->MMusicInfo->Text(), "A calm night");
    form->LBMusic->SelectByUser(0);
    EXPECT_EQ(form->MMusicInfo->Text(), "");

    // With no descriptions at all the box keeps what it holds.
    fs::remove_all(platform.ProgramDir() + "Music/Info");
    auto other = Open();
    other->MMusicInfo->SetText("typed");
    other->LBMusic->SelectByUser(1);
    EXPECT_EQ(other->MMusicInfo->Text(), "typed");
    EXPECT_EQ(other->MediaPlayer->FileName(), MusicDir() + "Night.m3u");
}

TEST_F(OptionFormTest, DeleteAsksThenChoosesTheStoredOrARandomEntry) {
    for (const char* name : {"a.mid", "b.mid", "c.mid", "d.mid"})
        AddMusicFile(name);
    WriteIni("MusicFile=b.mid\r\n");
    auto form = Open();
    ASSERT_EQ(form->LBMusic->ItemIndex(), 1);

    Press(*form->BDeleteMusic); // answered No
    ASSERT_EQ(platform.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Text, "Are you sure to delete seleted music?");
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Flags, os::MB_YESNO | os::MB_ICONQUESTION);
    EXPECT_TRUE(fs::exists(MusicDir() + "b.mid"));

    // Deleting another entry brings the stored one back.
    form->LBMusic->SelectByUser(3);
    platform.Shell_.MessageBoxAnswers = {os::IDYES};
    Press(*form->BDeleteMusic);
    EXPECT_FALSE(fs::exists(MusicDir() + "d.mid"));
    EXPECT_EQ(form->LBMusic->Items()[form->LBMusic->ItemIndex()], "b.mid");

    // Deleting the stored one picks any of the rest, and loads it.
    platform.Shell_.MessageBoxAnswers = {os::IDYES};
    Press(*form->BDeleteMusic);
    EXPECT_FALSE(fs::exists(MusicDir() + "b.mid"));
    EXPECT_EQ(Lines(form->LBMusic->Items()), (std::vector<std::string>{"a.mid", "c.mid"}));
    ASSERT_GE(form->LBMusic->ItemIndex(), 0);
    EXPECT_EQ(form->MediaPlayer->FileName(),
              MusicDir() + form->LBMusic->Items()[form->LBMusic->ItemIndex()]);
    EXPECT_TRUE(form->MediaPlayer->Opened());
    EXPECT_EQ(Stored("MusicFile"), "b.mid"); // Delete does not touch the settings

    for (int i = 0; i < 2; ++i) {
        platform.Shell_.MessageBoxAnswers = {os::IDYES};
        Press(*form->BDeleteMusic);
    }
    EXPECT_EQ(form->LBMusic->Items().Count(), 0);
    EXPECT_EQ(form->LBMusic->ItemIndex(), -1);
    EXPECT_FALSE(form->MediaPlayer->Opened());
    EXPECT_EQ(platform.Media_.OpenDeviceCount(), 0u);
}

TEST_F(OptionFormTest, TheEntryAfterDeletingTheStoredMusicIsDrawnAtRandom) {
    WriteIni("MusicFile=b.mid\r\n");
    std::set<std::string> drawn;
    for (int run = 0; run < 30 && drawn.size() < 2; ++run) {
        for (const char* name : {"a.mid", "b.mid", "c.mid"})
            AddMusicFile(name);
        auto form = Open();
        platform.Shell_.MessageBoxAnswers = {os::IDYES};
        Press(*form->BDeleteMusic);
        ASSERT_GE(form->LBMusic->ItemIndex(), 0);
        drawn.insert(form->LBMusic->Items()[form->LBMusic->ItemIndex()]);
    }
    EXPECT_EQ(drawn, (std::set<std::string>{"a.mid", "c.mid"}));
}

TEST_F(OptionFormTest, TheListsHintNamesTheEntryUnderThePointer) {
    for (const char* name : {"a long name.mid", "b.mid"})
        AddMusicFile(name);
    auto form = Open();
    form->PageControl->SelectPageByUser(1);
    ui::TListBox& list = *form->LBMusic;
    const int line = list.ItemHeight();
    EXPECT_TRUE(list.ShowHint());
    // Until the list has had the focus, the first entry shows no hint of its own.
    list.MouseMove(0, 5, line / 2);
    EXPECT_EQ(list.Hint(), "");
    list.MouseMove(0, 5, line + line / 2);
    EXPECT_EQ(list.Hint(), "b.mid");
    list.MouseMove(0, 5, line / 2);
    EXPECT_EQ(list.Hint(), "a long name.mid");
    const int cancelled = platform.Peers_.HintsCancelled;
    list.MouseMove(0, 5, line / 2 + 1); // the same entry: the hint stays up
    EXPECT_EQ(platform.Peers_.HintsCancelled, cancelled);
    list.MouseMove(0, 5, 5 * line); // below the last entry: no hint
    EXPECT_EQ(list.Hint(), "");
    EXPECT_EQ(platform.Peers_.HintsCancelled, cancelled + 1);
    list.MouseMove(0, 5, line / 2);
    EXPECT_EQ(platform.Peers_.HintsCancelled, cancelled + 2);

    form->LBMusic->SetFocus(); // forgets the remembered entry
    list.MouseMove(0, 5, line / 2);
    EXPECT_EQ(platform.Peers_.HintsCancelled, cancelled + 3);
    EXPECT_EQ(list.Hint(), "a long name.mid");
}

TEST_F(OptionFormTest, PreviewRunsTheSaverInThePanelAfterClosingTheLastPreview) {
    platform.WriteFile("Windows/System/mystify.scr", "");
    WriteIni("ScreenSaver=mystify.scr\r\n");
    auto form = Open();
    const os::HWND panel = form->PScreenSaverPreview->Handle();
    ASSERT_NE(panel, 0u);
    const os::HWND running = platform.Peers_.AddChildWindow(panel);
    platform.Peers_.AddChildWindow(running);
    const os::HWND hidden = platform.Peers_.AddChildWindow(panel, false);
    const os::HWND after = platform.Peers_.AddChildWindow(panel);

    Press(*form->BSSPreview);
    // Closed in the system's order, up to the first window that is not visible.
    EXPECT_EQ(platform.Peers_.CloseRequests, (std::vector<os::HWND>{running}));
    EXPECT_EQ(platform.Peers_.ChildrenOf(panel), (std::vector<os::HWND>{hidden, after}));

    form->PageControl->SelectPageByUser(0); // leaving the page leaves the preview running
    EXPECT_EQ(platform.Peers_.CloseRequests.size(), 1u);
    form.reset(); // waits for the launcher
    ASSERT_EQ(platform.Process_.Starts.size(), 1u);
    EXPECT_EQ(platform.Process_.Starts[0].Kind, "WinExec");
    EXPECT_EQ(platform.Process_.Starts[0].File,
              os::QuoteIfBlank(SaverDir() + "mystify.scr") + " /P " + std::to_string(panel));
    EXPECT_EQ(platform.Process_.Starts[0].Show, os::SW_SHOW);
}

TEST_F(OptionFormTest, SettingsEndsARunningPreviewFirst) {
    platform.WriteFile("Windows/System/mystify.scr", "");
    WriteIni("ScreenSaver=mystify.scr\r\n");
    auto form = Open();
    const os::HWND panel = form->PScreenSaverPreview->Handle();
    const os::HWND preview = platform.Peers_.AddChildWindow(panel);
    Press(*form->BSSSettings);
    EXPECT_EQ(platform.Peers_.CloseRequests, (std::vector<os::HWND>{preview}));
    ASSERT_EQ(platform.Process_.Starts.size(), 1u);
    EXPECT_EQ(platform.Process_.Starts[0].File,
              os::QuoteIfBlank(SaverDir() + "mystify.scr") + " /C " + std::to_string(panel));
}

TEST_F(OptionFormTest, ClosingTheDialogClosesThePreviewsWindows) {
    auto form = Open();
    const os::HWND panel = form->PScreenSaverPreview->Handle();
    const os::HWND preview = platform.Peers_.AddChildWindow(panel);
    Press(*form->BSSPreview); // nothing selected: nothing happens
    Press(*form->BSSSettings);
    EXPECT_TRUE(platform.Peers_.CloseRequests.empty());
    Press(*form->BCancel);
    EXPECT_EQ(platform.Peers_.CloseRequests, (std::vector<os::HWND>{preview}));
    EXPECT_TRUE(platform.Process_.Starts.empty());
}

TEST_F(OptionFormTest, AFailedSaveKeepsTheDialogOpenWithTheErrorBox) {
    WriteIni("WorkPeriod=30\r\n");
    platform.AutoRun_.CanWrite = false;
    bool openAfterOk = false;
    platform.Peers_.WhileModal = [&](ui::TForm& shown) {
        auto& form = dynamic_cast<TOptionForm&>(shown);
        form.CBAutoRun->SetChecked(true);
        Press(*form.BOK);
        openAfterOk = form.Visible();
        form.CBAutoRun->SetChecked(false);
        Press(*form.BOK);
    };
    dialogs::ShowOptionForm();
    EXPECT_TRUE(openAfterOk);
    ASSERT_EQ(platform.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Text, "Failed to set data for 'Vistrel'");
    EXPECT_EQ(platform.Shell_.MessageBoxes[0].Flags, os::MB_OK | os::MB_ICONERROR);
    EXPECT_EQ(platform.Peers_.ModalRuns, 1);
    EXPECT_EQ(Stored("AutoRun"), "0");
}

TEST_F(OptionFormTest, TheSentencesFollowTheirTranslatedWords) {
    platform.WriteFile("Program/Language/English 1033.ini",
                       "[OptionForm]\r\nLWorkPeriodPrefix.Caption=Remind me to rest after\r\n"
                       "LRestPeriodSuffix.Caption=whole minutes at the very least.\r\n");
    WriteIni("Language=English 1033\r\n");
    settings::TVLSettings current;
    settings::LoadSettings(current);
    auto form = Open();
    EXPECT_EQ(form->LWorkPeriodPrefix->Caption(), "Remind me to rest after");
    for (auto [prefix, spin, suffix] :
         {std::tuple{form->LWorkPeriodPrefix, form->SEWorkPeriod, form->LWorkPeriodSuffix},
          std::tuple{form->LRestPeriodPrefix, form->SERestPeriod, form->LRestPeriodSuffix}}) {
        EXPECT_EQ(prefix->Left(), 20);
        EXPECT_EQ(spin->Left(), prefix->Left() + prefix->Width() + 3);
        EXPECT_EQ(suffix->Left(), spin->Left() + spin->Width() + 3);
    }
    EXPECT_GT(form->SEWorkPeriod->Left(), form->SERestPeriod->Left());
}

TEST_F(OptionFormTest, TheTrayReachesTheOpenDialog) {
    AddMusicFile("a.mid");
    WriteIni("MusicFile=a.mid\r\n");
    platform.Peers_.WhileModal = [&](ui::TForm& shown) {
        auto& form = dynamic_cast<TOptionForm&>(shown);
        EXPECT_TRUE(form.Visible());
        form.PageControl->SelectPageByUser(1);
        ASSERT_TRUE(form.MediaPlayer->Opened());
        dialogs::BringOptionFormToFront();
        dialogs::CloseOptionFormPlayer(); // an alert is about to play music
        EXPECT_FALSE(form.MediaPlayer->Opened());
    };
    dialogs::ShowOptionForm();
    EXPECT_EQ(platform.Peers_.BroughtToFront, (std::vector<std::string>{"OptionForm"}));
    // Once it is gone, neither does anything.
    dialogs::BringOptionFormToFront();
    dialogs::CloseOptionFormPlayer();
    EXPECT_EQ(platform.Peers_.BroughtToFront.size(), 1u);
}

} // namespace
