#include "settings/Localisation.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The message table with the English texts it must fall back to.
std::vector<std::pair<std::string*, std::string>> EnglishMessages() {
    using namespace settings;
    return {
        {&MsgVistrelTitle, "Vistrel"},
        {&MsgError, "Error"},
        {&MsgAlert, "Alert"},
        {&MsgCongratulations, "Congratulations"},
        {&MsgTimeLeft, " left"},
        {&MsgTimeOut, "Have a rest!"},
        {&MsgFilter, "All supported files"},
        {&MsgMusicExists, "Music already exists."},
        {&MsgDeleteMusic, "Are you sure to delete seleted music?"},
        {&MsgRestoreDefault, "Are you sure to restore default settings of all pages?"},
        {&MsgHotKeyRegisterFailed, "Hot key register failed."},
        {&MsgNoHelpFile, "Help file missing!"},
        {&MsgNoMusicFile, "Music file(s) missing!"},
        {&MsgNoUpdater, "Updater missing!"},
        {&MsgUpdaterTitle, "Updater"},
        {&MsgNoNewVersion, "You are using the latest version."},
        {&MsgCheckingNew, "Checking new components..."},
        {&MsgUpdateUpdaterFirst,
         "Updater will restart after updating. Pleas check for new components again!"},
        {&MsgRestartVistrel, "Vistrel will be updated and restarted!"},
        {&MsgDownloading, "Downloading "},
        {&MsgUpdateSuccess, "Success!"},
        {&MsgUpdateFailure, "Failure!"},
        {&MsgFinished, "Finished!"},
        {&MsgNetworkError, "Network error! Please try again later."},
        {&MsgCreateError, "Cannot create "},
    };
}

class LocalisationTest : public ::testing::Test {
protected:
    void Language(const std::string& name, const std::string& content = "") {
        platform.WriteFile("Program/Language/" + name + ".ini", content);
    }
    fake::FakePlatform platform;
};

TEST_F(LocalisationTest, MessagesMissingFromTheFileKeepTheirEnglishText) {
    Language("Deutsch - 1031", "[Message]\r\n"
                               "MsgError=Fehler\r\n"
                               "msgtimeleft=\" übrig\"\r\n"
                               "MsgAlert=\r\n"
                               "[Other]\r\n"
                               "MsgTimeOut=not a message\r\n");
    settings::LoadMessages("Deutsch - 1031");
    for (auto& [text, english] : EnglishMessages()) {
        if (text == &settings::MsgError)
            EXPECT_EQ(*text, "Fehler");
        else if (text == &settings::MsgTimeLeft)
            EXPECT_EQ(*text, " übrig");
        else if (text == &settings::MsgAlert)
            EXPECT_EQ(*text, ""); // present but empty
        else
            EXPECT_EQ(*text, english);
    }
}

TEST_F(LocalisationTest, EveryLoadReplacesTheWholeTable) {
    Language("Deutsch - 1031", "[Message]\r\nMsgError=Fehler\r\nMsgFinished=Fertig!\r\n");
    settings::LoadMessages("Deutsch - 1031");
    settings::LoadMessages("Missing - 9999");
    for (auto& [text, english] : EnglishMessages())
        EXPECT_EQ(*text, english);
}

TEST_F(LocalisationTest, LanguageListHoldsTheNamesOfTheLanguageFiles) {
    Language("English - 1033");
    Language("Deutsch - 1031");
    Language("Old.Style - 1036");
    platform.WriteFile("Program/Language/notes.txt", "");
    fs::create_directories(platform.ProgramDir() + "Language/Folder.ini");
    auto list = settings::GetLanguageList();
    std::vector<std::string> names(list->begin(), list->end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"Deutsch - 1031", "English - 1033", "Old.Style - 1036"}));
}

TEST_F(LocalisationTest, DefaultLanguageWithoutLanguageFilesNamesTheSystemLanguage) {
    EXPECT_EQ(settings::GetDefaultLanguage(), "English (United States) - 1033");
    Language("Deutsch - 1031");
    EXPECT_EQ(settings::GetDefaultLanguage(), "English (United States) - 1033");
    platform.System_.LangId = 1031;
    EXPECT_EQ(settings::GetDefaultLanguage(), "Deutsch - 1031");
    platform.System_.LangId = 2052;
    platform.System_.LanguageNames[2052] = std::string(60, 'n');
    EXPECT_EQ(settings::GetDefaultLanguage(), std::string(49, 'n') + " - 2052");
}

TEST_F(LocalisationTest, AmbiguousLanguageFilesGiveTheFirstTheFileSystemLists) {
    Language("English - 1033");
    Language("English US - 1033");
    Language("Deutsch - 1031");
    auto list = settings::GetLanguageList();
    std::string first;
    for (const std::string& name : *list)
        if (first.empty() && name.find("1033") != std::string::npos)
            first = name;
    EXPECT_EQ(settings::GetDefaultLanguage(), first);
}

} // namespace
