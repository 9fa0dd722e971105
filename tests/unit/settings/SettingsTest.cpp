#include "settings/Settings.h"
#include "FakePlatform.h"
#include "FileSizeLimit.h"
#include "settings/Localisation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using settings::TVLSettings;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        platform.WriteFile("Program/Language/English - 1033.ini",
                           "[Message]\r\nMsgError=Error (en)\r\n");
        platform.WriteFile("Program/Language/Deutsch - 1031.ini",
                           "[Message]\r\nMsgError=Fehler\r\n");
        platform.WriteFile("Windows/system.ini", "[boot]\r\nSCRNSAVE.EXE=ssbezier.scr\r\n");
        platform.WriteFile("Windows/System/ssbezier.scr", "");
    }

    std::string IniPath() const { return platform.ProgramDir() + "Vistrel - tester.ini"; }
    void WriteIni(const std::string& content) {
        platform.WriteFile("Program/Vistrel - tester.ini", content);
    }
    TVLSettings Loaded() {
        TVLSettings s;
        settings::LoadSettings(s);
        return s;
    }
    static TVLSettings Sample() {
        TVLSettings s;
        s.AlertMethod = 1;
        s.AutoRun = false;
        s.AutoUpdate = true;
        s.CanInterrupt = false;
        s.Language = "Deutsch - 1031";
        s.MusicFile = "Night.m3u";
        s.PlayMethod = 0;
        s.RestPeriod = 7;
        s.ScreenSaver = "/screen savers/mystify.scr";
        s.SSMethod = 1;
        s.WorkPeriod = 1440;
        return s;
    }
    // The message of the error SaveSettings raises; empty when it raises none.
    static std::string SaveError(const TVLSettings& s) {
        try {
            settings::SaveSettings(s);
        } catch (const os::EOSError& e) {
            return e.what();
        }
        return "";
    }

    fake::FakePlatform platform;
};

TEST_F(SettingsTest, WithoutAFileEveryFieldTakesItsDefault) {
    TVLSettings s = Loaded();
    EXPECT_EQ(s.AlertMethod, 3);
    EXPECT_TRUE(s.AutoRun);
    EXPECT_TRUE(s.AutoUpdate);
    EXPECT_TRUE(s.CanInterrupt);
    EXPECT_EQ(s.Language, "English - 1033");
    EXPECT_EQ(s.MusicFile, "Canon in D.mid");
    EXPECT_EQ(s.PlayMethod, 1);
    EXPECT_EQ(s.RestPeriod, 10);
    EXPECT_EQ(s.ScreenSaver, "ssbezier.scr");
    EXPECT_EQ(s.SSMethod, 0);
    EXPECT_EQ(s.WorkPeriod, 50);
    EXPECT_EQ(s.LastUpdate, 0.0);
    EXPECT_FALSE(fs::exists(IniPath())); // loading creates nothing
}

TEST_F(SettingsTest, LoadingMakesTheStoredLanguageCurrentAndLoadsItsMessages) {
    WriteIni("[Settings]\r\nLanguage=Deutsch - 1031\r\n");
    Loaded();
    EXPECT_EQ(settings::CurrentLanguage, "Deutsch - 1031");
    EXPECT_EQ(settings::MsgError, "Fehler");
    EXPECT_EQ(settings::MsgAlert, "Alert");
}

TEST_F(SettingsTest, ValuesAreReadByTheRulesOfTheirType) {
    WriteIni("[Settings]\r\n"
             "AlertMethod=0x2\r\n"
             "AutoRun=yes\r\n"
             "AutoUpdate=0\r\n"
             "CanInterrupt=7\r\n"
             "Language=\"Deutsch - 1031\"\r\n"
             "PlayMethod=-1\r\n"
             "RestPeriod=5000\r\n"
             "SSMethod=0x\r\n"
             "WorkPeriod=abc\r\n");
    TVLSettings s = Loaded();
    EXPECT_EQ(s.AlertMethod, 2);
    EXPECT_TRUE(s.AutoRun); // "yes" is no number: the default
    EXPECT_FALSE(s.AutoUpdate);
    EXPECT_TRUE(s.CanInterrupt); // any number but 0
    EXPECT_EQ(s.Language, "Deutsch - 1031");
    EXPECT_EQ(s.PlayMethod, -1);
    EXPECT_EQ(s.RestPeriod, 5000); // loading does not clamp
    EXPECT_EQ(s.SSMethod, 0);
    EXPECT_EQ(s.WorkPeriod, 50);
}

TEST_F(SettingsTest, IntegersOutsideThirtyTwoBitsAreNoNumbers) {
    WriteIni("[Settings]\r\nAlertMethod=2147483648\r\nRestPeriod=-2147483648\r\n"
             "WorkPeriod=0xFFFFFFFF\r\nPlayMethod=0x100000000\r\nSSMethod= 12 \r\n");
    TVLSettings s = Loaded();
    EXPECT_EQ(s.AlertMethod, 3);
    EXPECT_EQ(s.RestPeriod, -2147483647 - 1);
    EXPECT_EQ(s.WorkPeriod, -1); // hexadecimal is a bit pattern
    EXPECT_EQ(s.PlayMethod, 1);
    EXPECT_EQ(s.SSMethod, 12);
}

TEST_F(SettingsTest, AnEmptyScreenSaverKeyTakesTheSystemsCurrentOne) {
    WriteIni("[Settings]\r\nScreenSaver=\r\n");
    EXPECT_EQ(Loaded().ScreenSaver, "ssbezier.scr");
    fs::remove(platform.Path("Windows/system.ini"));
    EXPECT_EQ(Loaded().ScreenSaver, "");
    WriteIni("[Settings]\r\nScreenSaver=/elsewhere/x.scr\r\n");
    EXPECT_EQ(Loaded().ScreenSaver, "/elsewhere/x.scr");
}

TEST_F(SettingsTest, LastUpdateIsReadInTheUsersDateFormat) {
    WriteIni("[Update]\r\nLastUpdate=08/12/2025 10:30:00\r\n");
    EXPECT_DOUBLE_EQ(Loaded().LastUpdate, 45999.0 + 10.5 / 24.0);
    platform.System_.DateFormat = "MM/dd/yyyy";
    EXPECT_DOUBLE_EQ(Loaded().LastUpdate, 45881.0 + 10.5 / 24.0); // 2025-08-12
    WriteIni("[Update]\r\nLastUpdate=not a date\r\n");
    EXPECT_EQ(Loaded().LastUpdate, 0.0);
    WriteIni("[Update]\r\nLastUpdate=\r\n");
    EXPECT_EQ(Loaded().LastUpdate, 0.0);
}

TEST_F(SettingsTest, SavedSettingsLoadAsTheyWere) {
    TVLSettings saved = Sample();
    settings::SaveSettings(saved);
    EXPECT_EQ(Loaded(), saved);
    saved.AutoRun = true;
    saved.AlertMethod = 0;
    saved.ScreenSaver = "";
    settings::SaveSettings(saved);
    platform.WriteFile("Windows/system.ini", ""); // no current screen saver to fill in
    EXPECT_EQ(Loaded(), saved);
}

TEST_F(SettingsTest, FirstSaveWritesTheElevenKeysInOrder) {
    settings::SaveSettings(Sample());
    EXPECT_EQ(platform.ReadFile(IniPath()), "[Settings]\r\n"
                                            "AlertMethod=1\r\n"
                                            "AutoRun=0\r\n"
                                            "AutoUpdate=1\r\n"
                                            "CanInterrupt=0\r\n"
                                            "Language=Deutsch - 1031\r\n"
                                            "MusicFile=Night.m3u\r\n"
                                            "PlayMethod=0\r\n"
                                            "RestPeriod=7\r\n"
                                            "ScreenSaver=/screen savers/mystify.scr\r\n"
                                            "SSMethod=1\r\n"
                                            "WorkPeriod=1440\r\n");
}

TEST_F(SettingsTest, SavingIntoAnExistingFileKeepsEverythingElse) {
    WriteIni("[Update]\r\n"
             "LastUpdate=01/12/2025 09:00:00\r\n"
             "\r\n"
             "[Settings]\r\n"
             "; chosen by hand\r\n"
             "WorkPeriod=20\r\n"
             "AlertMethod=0\r\n"
             "Unknown=kept\r\n"
             "\r\n"
             "[Other]\r\n"
             "Key=value\r\n");
    TVLSettings s = Sample();
    settings::SaveSettings(s);
    EXPECT_EQ(platform.ReadFile(IniPath()), "[Update]\r\n"
                                            "LastUpdate=01/12/2025 09:00:00\r\n"
                                            "\r\n"
                                            "[Settings]\r\n"
                                            "; chosen by hand\r\n"
                                            "WorkPeriod=1440\r\n"
                                            "AlertMethod=1\r\n"
                                            "Unknown=kept\r\n"
                                            "AutoRun=0\r\n"
                                            "AutoUpdate=1\r\n"
                                            "CanInterrupt=0\r\n"
                                            "Language=Deutsch - 1031\r\n"
                                            "MusicFile=Night.m3u\r\n"
                                            "PlayMethod=0\r\n"
                                            "RestPeriod=7\r\n"
                                            "ScreenSaver=/screen savers/mystify.scr\r\n"
                                            "SSMethod=1\r\n"
                                            "\r\n"
                                            "[Other]\r\n"
                                            "Key=value\r\n");
    EXPECT_DOUBLE_EQ(Loaded().LastUpdate, 45992.375);
}

TEST_F(SettingsTest, EachUserHasAFileOfTheirOwn) {
    TVLSettings first = Sample();
    platform.System_.UserName = "anna";
    settings::SaveSettings(first);
    platform.System_.UserName = "ben";
    TVLSettings second = Sample();
    second.WorkPeriod = 30;
    settings::SaveSettings(second);
    EXPECT_TRUE(fs::exists(platform.ProgramDir() + "Vistrel - anna.ini"));
    EXPECT_TRUE(fs::exists(platform.ProgramDir() + "Vistrel - ben.ini"));
    EXPECT_EQ(Loaded().WorkPeriod, 30);
    platform.System_.UserName = "anna";
    EXPECT_EQ(Loaded().WorkPeriod, 1440);
    platform.System_.UserNameAvailable = false;
    settings::SaveSettings(first);
    EXPECT_TRUE(fs::exists(platform.ProgramDir() + "Vistrel.ini"));
}

TEST_F(SettingsTest, AutoRunSetsOrDeletesTheQuotedExecutablePath) {
    auto& autoRun = platform.AutoRun_;
    TVLSettings s = Sample();
    s.AutoRun = true;
    settings::SaveSettings(s);
    ASSERT_EQ(autoRun.Values.count("Vistrel"), 1u);
    EXPECT_EQ(autoRun.Values["Vistrel"], "\"" + platform.System_.ExePath + "\"");
    EXPECT_FALSE(autoRun.KeyOpen);
    s.AutoRun = false;
    settings::SaveSettings(s);
    EXPECT_TRUE(autoRun.Values.empty());
    EXPECT_EQ(SaveError(s), ""); // deleting a value that is not there is no error
    EXPECT_FALSE(autoRun.KeyOpen);
}

TEST_F(SettingsTest, AutoRunThatCannotBeOpenedIsSkippedSilently) {
    platform.AutoRun_.CanOpen = false;
    TVLSettings s = Sample();
    s.AutoRun = true;
    EXPECT_EQ(SaveError(s), "");
    EXPECT_TRUE(platform.AutoRun_.Values.empty());
    EXPECT_EQ(Loaded().WorkPeriod, 1440); // the file was still written
}

TEST_F(SettingsTest, AutoRunThatCannotBeWrittenRaisesAnError) {
    platform.AutoRun_.CanWrite = false;
    TVLSettings s = Sample();
    s.AutoRun = true;
    EXPECT_EQ(SaveError(s), "Failed to set data for 'Vistrel'");
    EXPECT_FALSE(platform.AutoRun_.KeyOpen);
}

TEST_F(SettingsTest, AProgramFolderThatIsAFileRaisesUnableToWrite) {
    platform.WriteFile("NotAFolder", "plain");
    platform.System_.ExePath = platform.Path("NotAFolder/Vistrel");
    TVLSettings s = Sample();
    s.AutoRun = true;
    EXPECT_EQ(SaveError(s),
              "Unable to write to " + platform.Path("NotAFolder/Vistrel - tester.ini"));
    EXPECT_EQ(platform.AutoRun_.Writes, 0); // the keys after it and the autorun step are skipped
}

TEST_F(SettingsTest, ASettingsPathThatIsAFolderRaisesUnableToWrite) {
    fs::create_directories(IniPath());
    EXPECT_EQ(SaveError(Sample()), "Unable to write to " + IniPath());
    EXPECT_TRUE(fs::is_directory(IniPath()));
}

TEST_F(SettingsTest, AWriteThatRunsOutOfRoomKeepsTheOldFile) {
    if (!fake::FileSizeLimit::Supported())
        GTEST_SKIP() << "no file-size limit on this system to stand in for a full disk";
    std::string old = "[Settings]\r\nAlertMethod=3\r\n";
    for (int i = 0; i < 64; ++i)
        old += "; a line of notes the user keeps in the settings file\r\n";
    WriteIni(old);
    std::string error;
    {
        // As a full disk would: writes stop at 512 bytes.
        fake::FileSizeLimit limit(512);
        error = SaveError(Sample());
    }
    EXPECT_EQ(error, "Unable to write to " + IniPath());
    EXPECT_EQ(platform.ReadFile(IniPath()), old);
    EXPECT_EQ(platform.AutoRun_.Writes, 0);
}

TEST_F(SettingsTest, DefaultsFollowTheLanguageFilesAndTheSystem) {
    TVLSettings s = Sample();
    s.LastUpdate = 45000.25;
    platform.System_.LangId = 1031;
    settings::DefaultSettings(s);
    TVLSettings expected;
    expected.AlertMethod = 3;
    expected.AutoRun = expected.AutoUpdate = expected.CanInterrupt = true;
    expected.Language = "Deutsch - 1031";
    expected.MusicFile = "Canon in D.mid";
    expected.PlayMethod = 1;
    expected.RestPeriod = 10;
    expected.ScreenSaver = "ssbezier.scr";
    expected.SSMethod = 0;
    expected.WorkPeriod = 50;
    expected.LastUpdate = 45000.25; // left as it was
    EXPECT_EQ(s, expected);
    EXPECT_EQ(settings::CurrentLanguage, "Deutsch - 1031");
    EXPECT_EQ(settings::MsgError, "Fehler");
}

} // namespace
