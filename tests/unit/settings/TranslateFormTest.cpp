#include "FakePlatform.h"
#include "settings/Localisation.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui;

namespace {

// A link label: a kind derived from the label.
class TLinkLabel : public TLabel {
public:
    explicit TLinkLabel(TComponent* owner) : TLabel(owner) {}
};

class TranslateFormTest : public ::testing::Test {
protected:
    TranslateFormTest() {
        form.SetName("AboutForm");
        form.SetCaption("About");
        form.Font().SetName("MS Sans Serif");
        form.Font().SetSize(8);
    }
    void Language(const std::string& name, const std::string& content) {
        platform.WriteFile("Program/Language/" + name + ".ini", content);
    }
    static std::vector<std::string> LinesOf(const TMemo& memo) {
        std::vector<std::string> lines;
        for (int i = 0; i < memo.Lines().Count(); ++i)
            lines.push_back(memo.Lines()[i]);
        return lines;
    }

    fake::FakePlatform platform;
    TForm form{nullptr};
};

TEST_F(TranslateFormTest, FormCaptionAndFontComeFromItsSection) {
    Language("Deutsch - 1031", "[MainForm]\r\nAboutForm.Caption=Wrong section\r\n"
                               "[AboutForm]\r\n"
                               "AboutForm.Caption=Über\r\n"
                               "AboutForm.Font.Name=Tahoma\r\n"
                               "AboutForm.Font.Size=10\r\n");
    settings::TranslateForm(form, "Deutsch - 1031");
    EXPECT_EQ(form.Caption(), "Über");
    EXPECT_EQ(form.Font().Name(), "Tahoma");
    EXPECT_EQ(form.Font().Size(), 10);
}

TEST_F(TranslateFormTest, AFontSizeThatIsNoNumberKeepsTheSize) {
    Language("Bad - 1", "[AboutForm]\r\nAboutForm.Font.Size=large\r\n");
    settings::TranslateForm(form, "Bad - 1");
    EXPECT_EQ(form.Font().Size(), 8);
    EXPECT_EQ(form.Caption(), "About");
}

TEST_F(TranslateFormTest, EveryTranslatedKindTakesItsCaption) {
    auto* label = NewComponent<TLabel>(form, "LVersion");
    auto* panel = NewComponent<TPanel>(form, "PPreview");
    auto* checkBox = NewComponent<TCheckBox>(form, "CBAutoRun");
    auto* radioButton = NewComponent<TRadioButton>(form, "RBAlertMethod0");
    auto* action = NewComponent<TAction>(form, "ActionOK");
    auto* button = NewComponent<TButton>(form, "BOK");
    button->SetAction(action);
    auto* item = NewComponent<TMenuItem>(form, "MenuExit");
    auto* sheet = NewComponent<TTabSheet>(form, "TSGeneral");
    auto* group = NewComponent<TRadioGroup>(form, "RGPlayMethod");
    auto* plain = NewComponent<TButton>(form, "BCancel");
    plain->SetCaption("Cancel");
    Language("Deutsch - 1031", "[AboutForm]\r\n"
                               "LVersion.Caption=Version\r\n"
                               "LVersion.Hint=Die Version\r\n"
                               "PPreview.Caption=Vorschau\r\n"
                               "CBAutoRun.Caption=Mit Windows starten\r\n"
                               "RBAlertMethod0.Caption=Bildschirm aus\r\n"
                               "ActionOK.Caption=&OK!\r\n"
                               "MenuExit.Caption=&Beenden\r\n"
                               "TSGeneral.Caption=Allgemein\r\n"
                               "RGPlayMethod.Caption=Wiedergabe\r\n"
                               "BCancel.Caption=Abbrechen\r\n");
    settings::TranslateForm(form, "Deutsch - 1031");
    EXPECT_EQ(label->Caption(), "Version");
    EXPECT_EQ(label->Hint(), "Die Version");
    EXPECT_EQ(panel->Caption(), "Vorschau");
    EXPECT_EQ(checkBox->Caption(), "Mit Windows starten");
    EXPECT_EQ(radioButton->Caption(), "Bildschirm aus");
    EXPECT_EQ(action->Caption(), "&OK!");
    EXPECT_EQ(button->Caption(), "&OK!"); // through its action
    EXPECT_EQ(item->Caption(), "&Beenden");
    EXPECT_EQ(sheet->Caption(), "Allgemein");
    EXPECT_EQ(group->Caption(), "Wiedergabe");
    EXPECT_EQ(plain->Caption(), "Cancel"); // buttons are not translated
}

TEST_F(TranslateFormTest, KindsDerivedFromATranslatedKindAreTranslatedToo) {
    auto* link = NewComponent<TLinkLabel>(form, "LWebSite");
    link->SetCaption("Visit Vistrel homepage.");
    Language("Deutsch - 1031", "[AboutForm]\r\nLWebSite.Caption=Zur Homepage\r\n"
                               "LWebSite.Hint=Im Browser öffnen\r\n");
    settings::TranslateForm(form, "Deutsch - 1031");
    EXPECT_EQ(link->Caption(), "Zur Homepage");
    EXPECT_EQ(link->Hint(), "Im Browser öffnen");
}

TEST_F(TranslateFormTest, ASecondTranslationKeepsWhatTheFirstSet) {
    auto* label = NewComponent<TLabel>(form, "LVersion");
    label->SetCaption("Version");
    auto* other = NewComponent<TLabel>(form, "LCopyright");
    other->SetCaption("Copyright");
    Language("Deutsch - 1031", "[AboutForm]\r\nAboutForm.Caption=Über\r\n"
                               "LVersion.Caption=Fassung\r\nLCopyright.Caption=Urheberrecht\r\n");
    Language("Partial - 1", "[AboutForm]\r\nLCopyright.Caption=(c)\r\n");
    settings::TranslateForm(form, "Deutsch - 1031");
    settings::TranslateForm(form, "Partial - 1");
    EXPECT_EQ(form.Caption(), "Über");
    EXPECT_EQ(label->Caption(), "Fassung"); // not the design-time "Version"
    EXPECT_EQ(other->Caption(), "(c)");
    settings::TranslateForm(form, "Missing - 2");
    EXPECT_EQ(label->Caption(), "Fassung");
}

TEST_F(TranslateFormTest, MemoLinesFollowTheKeyOrderAndMatchBySubstring) {
    auto* memo = NewComponent<TMemo>(form, "MThanks");
    memo->SetText("Design line");
    Language("Deutsch - 1031", "[AboutForm]\r\n"
                               "MThanks.Line2=second key, first line\r\n"
                               "MThanks.Line1=first key, second line\r\n"
                               "LVersion.Caption=x\r\n"
                               "XMThanks.Line1=by substring\r\n"
                               "MThanks.Hint=not a line\r\n"
                               "[Other]\r\n"
                               "MThanks.Line3=other section\r\n");
    settings::TranslateForm(form, "Deutsch - 1031");
    EXPECT_EQ(LinesOf(*memo), (std::vector<std::string>{"second key, first line",
                                                        "first key, second line", "by substring"}));
    EXPECT_EQ(memo->Font().Color(), clNavy);
}

TEST_F(TranslateFormTest, AMemoWithoutLinesKeepsItsTextInNavy) {
    auto* memo = NewComponent<TMemo>(form, "MThanks");
    memo->SetText("First\r\nSecond");
    Language("Deutsch - 1031", "[AboutForm]\r\nAboutForm.Caption=Über\r\n");
    settings::TranslateForm(form, "Deutsch - 1031");
    EXPECT_EQ(LinesOf(*memo), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(memo->Font().Color(), clNavy);
    // Line keys with empty values give that many empty lines, not the old text.
    Language("Empty - 1", "[AboutForm]\r\nMThanks.Line1=\r\nMThanks.Line2=\r\n");
    settings::TranslateForm(form, "Empty - 1");
    EXPECT_EQ(LinesOf(*memo), (std::vector<std::string>{"", ""}));
}

TEST_F(TranslateFormTest, ImageHintsAreJoinedByCarriageReturns) {
    auto* image = NewComponent<TImage>(form, "IZemra");
    auto* unhinted = NewComponent<TImage>(form, "ILogo");
    unhinted->SetHint("kept");
    Language("Deutsch - 1031", "[AboutForm]\r\n"
                               "IZemra.Hint1=Schreiben Sie uns\r\n"
                               "ILogo.Caption=no hint\r\n"
                               "IZemra.Hint2=eine Nachricht\r\n");
    settings::TranslateForm(form, "Deutsch - 1031");
    EXPECT_EQ(image->Hint(), "Schreiben Sie uns\reine Nachricht");
    EXPECT_EQ(unhinted->Hint(), "kept");
    TImage* fresh = NewComponent<TImage>(form, "IMail");
    Language("One - 1", "[AboutForm]\r\nIMail.Hint=Mail\r\n");
    settings::TranslateForm(form, "One - 1");
    EXPECT_EQ(fresh->Hint(), "Mail"); // no carriage return after the last
}

} // namespace
