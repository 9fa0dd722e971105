// What the program offers and reads from the user's folders where names are case-sensitive and
// a folder can hold named pipes.
#include "FakePlatform.h"
#include "NamedPipe.h"
#include "settings/Localisation.h"
#include "settings/Utilities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Sorted(const ui::TStrings& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    std::sort(lines.begin(), lines.end());
    return lines;
}

class UserFilesTest : public ::testing::Test {
protected:
    fake::FakePlatform platform;
};

TEST_F(UserFilesTest, NamedPipesAndOtherNonFilesAreNeitherListedNorRead) {
    platform.WriteFile("Program/Music/Canon in D.mid", "m");
    const std::string music = platform.ProgramDir() + "Music/";
    testpipe::MakeNamedPipe(music + "Pipe.mid");
    fs::create_symlink(music + "nowhere.mid", music + "Dangling.mid");
    fs::create_symlink(music + "Canon in D.mid", music + "Link.mid");
    ui::TStringList list;
    settings::ListFiles(settings::GetMusicDir(), list, "*.*");
    EXPECT_EQ(Sorted(list), (std::vector<std::string>{"Canon in D.mid", "Link.mid"}));

    // A description file that is a pipe reads as no descriptions, at once.
    fs::create_directories(music + "Info");
    const std::string info = testpipe::MakeNamedPipe(music + "Info/MusicInfo-1033.dat");
    settings::CurrentLanguage = "English - 1033";
    int count = -1;
    EXPECT_TRUE(
        testpipe::ReturnsWithoutAWriter(info, [&] { count = settings::LoadMusicInfo()->Count(); }));
    EXPECT_EQ(count, 0);
}

TEST_F(UserFilesTest, OnlyLanguagesThatLoadAreOffered) {
    // The search ignores the case of ".ini"; this file system's open does not.
    platform.WriteFile("Program/Language/Deutsch - 1031.INI", "[Message]\r\nMsgError=Fehler\r\n");
    platform.WriteFile("Program/Language/Italiano - 1040.Ini", "[Message]\r\nMsgError=Errore\r\n");
    platform.WriteFile("Program/Language/Francais - 1036.INI", "");
    platform.WriteFile("Program/Language/Francais - 1036.ini", "[Message]\r\nMsgError=Erreur\r\n");
    platform.WriteFile("Program/Language/English - 1033.ini", "");
    EXPECT_EQ(Sorted(*settings::GetLanguageList()),
              (std::vector<std::string>{"English - 1033", "Francais - 1036"}));
    settings::LoadMessages("Francais - 1036");
    EXPECT_EQ(settings::MsgError, "Erreur");
    platform.System_.LangId = 1031;
    EXPECT_NE(settings::GetDefaultLanguage(), "Deutsch - 1031");
}

} // namespace
