#include "settings/Utilities.h"
#include "FakePlatform.h"
#include "settings/Localisation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const ui::TStrings& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

class UtilitiesTest : public ::testing::Test {
protected:
    fake::FakePlatform platform;
};

TEST_F(UtilitiesTest, FoldersLieBesideTheExecutableAndEndWithASeparator) {
    std::string p = platform.ProgramDir();
    const std::string d(1, os::PathDelim);
    EXPECT_EQ(settings::GetExeName(), p + "Vistrel");
    EXPECT_EQ(settings::GetExeDir(), p);
    EXPECT_EQ(settings::GetLanguageDir(), p + "Language" + d);
    EXPECT_EQ(settings::GetMusicDir(), p + "Music" + d);
    EXPECT_EQ(settings::GetMusicInfoDir(), p + "Music" + d + "Info" + d);
    EXPECT_EQ(settings::GetHelpDir(), p + "Help" + d);
    EXPECT_EQ(settings::GetIniFileName(), p + "Vistrel - tester.ini");
    platform.System_.UserNameAvailable = false;
    EXPECT_EQ(settings::GetIniFileName(), p + "Vistrel.ini");
}

TEST_F(UtilitiesTest, AnExecutableInTheRootHasTheRootAsItsFolder) {
    const std::string d(1, os::PathDelim);
    platform.System_.ExePath = d + "Vistrel";
    EXPECT_EQ(settings::GetExeDir(), d);
    EXPECT_EQ(settings::GetLanguageDir(), d + "Language" + d);
    EXPECT_EQ(settings::ExtractFileName(settings::GetExeName()), "Vistrel");
}

TEST_F(UtilitiesTest, LanguageCodeIsTheLastFourCharacters) {
    EXPECT_EQ(settings::LanguageCode("English (United States) - 1033"), "1033");
    EXPECT_EQ(settings::LanguageCode("1031"), "1031");
    EXPECT_EQ(settings::LanguageCode("abc"), "abc");
    EXPECT_EQ(settings::LanguageCode(""), "");
}

TEST_F(UtilitiesTest, ListFilesSkipsEveryFolderWhateverItsAttributes) {
    platform.WriteFile("Program/Music/Canon in D.mid", "m");
    platform.WriteFile("Program/Music/Rain.wav", "w");
    platform.WriteFile("Program/Music/.hidden.mp3", "h");
    platform.WriteFile("Program/Music/Info/MusicInfo-1033.dat", "");
    fs::create_directories(platform.ProgramDir() + "Music/.HiddenFolder");
    fs::create_directories(platform.ProgramDir() + "Music/ReadOnly");
    fs::permissions(platform.ProgramDir() + "Music/ReadOnly",
                    fs::perms::owner_read | fs::perms::owner_exec);
    std::string readOnlyFile = platform.WriteFile("Program/Music/Locked.mid", "l");
    fs::permissions(readOnlyFile, fs::perms::owner_read);

    ui::TStringList list{"kept"};
    settings::ListFiles(settings::GetMusicDir(), list, "*.*");
    ASSERT_GE(list.Count(), 1);
    EXPECT_EQ(list[0], "kept"); // appended to, not cleared
    EXPECT_EQ(Sorted(Lines(list)), (std::vector<std::string>{".hidden.mp3", "Canon in D.mid",
                                                             "Locked.mid", "Rain.wav", "kept"}));
}

TEST_F(UtilitiesTest, ListFilesTakesOnlyNamesThatMatchTheMask) {
    platform.WriteFile("Program/Language/English - 1033.ini", "");
    platform.WriteFile("Program/Language/deutsch - 1031.INI", "");
    platform.WriteFile("Program/Language/readme.txt", "");
    fs::create_directories(platform.ProgramDir() + "Language/folder.ini");
    ui::TStringList list;
    settings::ListFiles(settings::GetLanguageDir(), list, "*.ini");
    EXPECT_EQ(Sorted(Lines(list)),
              (std::vector<std::string>{"English - 1033.ini", "deutsch - 1031.INI"}));
    ui::TStringList none;
    settings::ListFiles(platform.ProgramDir() + "Missing/", none, "*.*");
    EXPECT_EQ(none.Count(), 0);
}

TEST_F(UtilitiesTest, MusicInfoComesFromTheFileOfTheCurrentLanguageCode) {
    platform.WriteFile("Program/Music/Info/MusicInfo-1033.dat",
                       "Canon in D.mid=Pachelbel\r\nRain.wav=Rain\rNight.m3u=Night\nLast=1");
    platform.WriteFile("Program/Music/Info/MusicInfo-1031.dat", "Canon in D.mid=Kanon\r\n");
    settings::CurrentLanguage = "English - 1033";
    EXPECT_EQ(Lines(*settings::LoadMusicInfo()),
              (std::vector<std::string>{"Canon in D.mid=Pachelbel", "Rain.wav=Rain",
                                        "Night.m3u=Night", "Last=1"}));
    settings::CurrentLanguage = "Deutsch - 1031";
    EXPECT_EQ(Lines(*settings::LoadMusicInfo()),
              (std::vector<std::string>{"Canon in D.mid=Kanon"}));
    settings::CurrentLanguage = "Francais - 1036";
    EXPECT_EQ(settings::LoadMusicInfo()->Count(), 0);
}

TEST_F(UtilitiesTest, DescriptionLookupIgnoresCaseAndTakesTheRestOfTheLine) {
    ui::TStringList info{"Canon in D.mid",           // no "=": never matched
                         "canon in d.MID=Some text", // the first match counts
                         "Canon in D.mid=Other", "Equation.mid=a=b", "Night.m3u="};
    EXPECT_EQ(settings::GetMusicDescription(info, "Canon in D.mid"), "Some text");
    EXPECT_EQ(settings::GetMusicDescription(info, "Equation.mid"), "a=b");
    EXPECT_EQ(settings::GetMusicDescription(info, "Night.m3u"), "");
    EXPECT_EQ(settings::GetMusicDescription(info, "Canon"), "");
    EXPECT_EQ(settings::GetMusicDescription(info, "Rain.wav"), "");
}

} // namespace
