#include "dialogs/Dialogs.h"
#include "dialogs/FormAbout.h"
#include "FakePlatform.h"
#include "os/common/VersionBlock.h"
#include "settings/Localisation.h"
#include "settings/Utilities.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using dialogs::TAboutForm;

namespace {

class AboutFormTest : public ::testing::Test {
protected:
    AboutFormTest() { settings::CurrentLanguage = "Espanol 3082"; }

    // The running program's file, with version data saying fileVersion.
    void ProgramVersion(const std::string& fileVersion) {
        const os::VersionString strings[] = {{"FileVersion", fileVersion}};
        os::VersionData data;
        data.Strings = strings;
        auto block = os::BuildVersionBlock(data);
        platform.System_.ExePath =
            platform.WriteFile("Program/Vistrel", "\x7F"
                                                  "ELF" +
                                                      std::string(block.begin(), block.end()));
    }

    fake::FakePlatform platform;
};

TEST_F(AboutFormTest, ShowsTheVersionOfTheProgramsOwnFile) {
    ProgramVersion("3.3.3.3");
    auto form = ui::CreateForm<TAboutForm>();
    EXPECT_EQ(form->Caption(), "About Vistrel 3");
    EXPECT_EQ(form->ClientWidth(), 352);
    EXPECT_EQ(form->ClientHeight(), 276);
    EXPECT_EQ(form->LVersion->Caption(), "Version: 3.3.3.3");
    EXPECT_EQ(form->VersionInfo->MajorVersion(), "3");
    EXPECT_EQ(form->PanelLeft->Width(), 150);
    EXPECT_EQ(form->PanelBottom->Height(), 120);
    EXPECT_EQ(form->MThanks->Font().Color(), ui::clNavy); // as every translated memo
    EXPECT_FALSE(form->MThanks->Text().empty());
}

TEST_F(AboutFormTest, TheVersionFollowsTheTranslatedPrefix) {
    ProgramVersion("3.3.3.3");
    platform.WriteFile("Program/Language/Espanol 3082.ini",
                       "[AboutForm]\r\nLVersion.Caption=\"Version \"\r\n"
                       "MThanks.Line1=Gracias\r\n");
    auto form = ui::CreateForm<TAboutForm>();
    EXPECT_EQ(form->LVersion->Caption(), "Version 3.3.3.3");
    EXPECT_EQ(form->MThanks->Text(), "Gracias");
}

TEST_F(AboutFormTest, AProgramWithoutVersionDataSaysSo) {
    platform.System_.ExePath = platform.WriteFile("Program/Vistrel", "no version data");
    auto form = ui::CreateForm<TAboutForm>();
    EXPECT_EQ(form->LVersion->Caption(), "Version: <info not available>");
}

TEST_F(AboutFormTest, TheLinksOpenTheHomePageAndAMail) {
    auto form = ui::CreateForm<TAboutForm>();
    form->LWebSite->Click();
    form->IZemra->Click();
    ASSERT_EQ(platform.Process_.Starts.size(), 2u);
    EXPECT_EQ(platform.Process_.Starts[0].Kind, "ShellExecute");
    EXPECT_EQ(platform.Process_.Starts[0].Verb, "open");
    EXPECT_EQ(platform.Process_.Starts[0].File, settings::HomePageUrl);
    EXPECT_EQ(platform.Process_.Starts[0].Show, os::SW_SHOWNORMAL);
    EXPECT_NE(std::string(settings::HomePageUrl).find("/Vistrel3/index.htm"), std::string::npos);
    EXPECT_EQ(platform.Process_.Starts[1].File.rfind("mailto:", 0), 0u);

    // A link that cannot be opened fails without a word.
    platform.Process_.Unstartable.insert(settings::HomePageUrl);
    form->LWebSite->Click();
    EXPECT_TRUE(platform.Shell_.MessageBoxes.empty());
}

TEST_F(AboutFormTest, TheLinkIsPlainWhileThePointerIsOverIt) {
    auto form = ui::CreateForm<TAboutForm>();
    ui::TLabel& link = *form->LWebSite;
    EXPECT_EQ(link.Font().Color(), ui::clBlue);
    EXPECT_TRUE(link.Font().Style() & ui::fsUnderline);
    EXPECT_EQ(link.Cursor(), ui::TCursor::crHandPoint);
    link.MouseEnter();
    EXPECT_EQ(link.Font().Color(), ui::clWindowText);
    EXPECT_FALSE(link.Font().Style() & ui::fsUnderline);
    link.MouseLeave();
    EXPECT_EQ(link.Font().Color(), ui::TColor::FromRGB(0, 0, 255));
    EXPECT_TRUE(link.Font().Style() & ui::fsUnderline);
}

TEST_F(AboutFormTest, ShownModallyAndDestroyedAfter) {
    ProgramVersion("3.3.3.3");
    std::string shownVersion;
    platform.Peers_.WhileModal = [&](ui::TForm& shown) {
        shownVersion = dynamic_cast<TAboutForm&>(shown).LVersion->Caption();
        dialogs::BringAboutFormToFront();
    };
    dialogs::ShowAboutForm();
    EXPECT_EQ(shownVersion, "Version: 3.3.3.3");
    EXPECT_EQ(platform.Peers_.ModalRuns, 1);
    EXPECT_EQ(platform.Peers_.BroughtToFront, (std::vector<std::string>{"AboutForm"}));
    dialogs::BringAboutFormToFront();
    EXPECT_EQ(platform.Peers_.BroughtToFront.size(), 1u);
}

} // namespace
