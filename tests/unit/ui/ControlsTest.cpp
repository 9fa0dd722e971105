#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/Spin.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace ui;

namespace {

class RecordingPeer : public TControlPeer {
public:
    explicit RecordingPeer(std::vector<TProperty>& log) : log_(log) {}
    void PropertyChanged(TControl&, TProperty property) override { log_.push_back(property); }

private:
    std::vector<TProperty>& log_;
};

// A link label as a form would derive one: still a label.
class TLinkLabel : public TCustomLabel {
public:
    using TCustomLabel::TCustomLabel;
};

template <class Kind>
bool Is(TComponent* component) {
    return dynamic_cast<Kind*>(component) != nullptr;
}

} // namespace

TEST(ControlsTest, KindsMatchTheirOwnAndDerivedKindsOnly) {
    TForm form(nullptr);
    TComponent* label = new TLabel(&form);
    TComponent* link = new TLinkLabel(&form);
    TComponent* memo = new TMemo(&form);
    TComponent* panel = new TPanel(&form);
    TComponent* check = new TCheckBox(&form);
    TComponent* radio = new TRadioButton(&form);
    TComponent* group = new TRadioGroup(&form);
    TComponent* groupBox = new TGroupBox(&form);
    TComponent* sheet = new TTabSheet(&form);
    TComponent* image = new TImage(&form);
    TComponent* action = new TAction(&form);
    TComponent* item = new TMenuItem(&form);
    TComponent* button = new TButton(&form);
    TComponent* spin = new TSpinEdit(&form);
    TComponent* list = new TListBox(&form);

    EXPECT_TRUE(Is<TCustomLabel>(label));
    EXPECT_TRUE(Is<TCustomLabel>(link));
    EXPECT_TRUE(Is<TCustomMemo>(memo));
    EXPECT_TRUE(Is<TCustomPanel>(panel));
    EXPECT_TRUE(Is<TCustomCheckBox>(check));
    EXPECT_TRUE(Is<TRadioButton>(radio));
    EXPECT_TRUE(Is<TCustomRadioGroup>(group));
    EXPECT_TRUE(Is<TTabSheet>(sheet));
    EXPECT_TRUE(Is<TImage>(image));
    EXPECT_TRUE(Is<TCustomAction>(action));
    EXPECT_TRUE(Is<TMenuItem>(item));

    // Kinds that only look alike do not match.
    EXPECT_FALSE(Is<TCustomPanel>(group));
    EXPECT_FALSE(Is<TCustomRadioGroup>(groupBox));
    EXPECT_FALSE(Is<TCustomPanel>(sheet));
    EXPECT_FALSE(Is<TRadioButton>(check));
    EXPECT_FALSE(Is<TCustomCheckBox>(radio));
    EXPECT_FALSE(Is<TCustomMemo>(spin));
    EXPECT_FALSE(Is<TCustomLabel>(button));
    EXPECT_FALSE(Is<TCustomAction>(item));
    EXPECT_FALSE(Is<TCustomLabel>(image));
    EXPECT_FALSE(Is<TCustomMemo>(list));
    EXPECT_FALSE(Is<TWinControl>(label)); // a label has no window and takes no focus
}

TEST(ControlsTest, ParentListsChildrenWithoutOwningThem) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* panel = new TPanel(form.get());
    auto* label = new TLabel(form.get());
    label->SetParent(panel);
    EXPECT_EQ(label->Parent(), panel);
    ASSERT_EQ(panel->ControlCount(), 1);
    EXPECT_EQ(panel->Controls(0), label);
    delete panel; // the label stays, without a parent
    EXPECT_EQ(label->Parent(), nullptr);
    EXPECT_EQ(label->Owner(), form.get());
    label->SetCaption("still here");
    EXPECT_THROW(form->SetParent(form.get()), EInvalidOperation);
}

TEST(ControlsTest, ControlsWithParentFontFollowTheFormUntilGivenTheirOwn) {
    TForm form(nullptr);
    auto* sheet = new TPanel(&form);
    sheet->SetParent(&form);
    auto* label = new TLabel(&form);
    label->SetParent(sheet);
    auto* title = new TLabel(&form);
    title->SetParent(sheet);
    title->Font().SetSize(24);
    EXPECT_FALSE(title->ParentFont());

    form.Font().SetName("Tahoma");
    form.Font().SetSize(10);
    EXPECT_EQ(label->Font().Name(), "Tahoma");
    EXPECT_EQ(label->Font().Size(), 10);
    EXPECT_TRUE(label->ParentFont());
    EXPECT_EQ(title->Font().Name(), "MS Sans Serif");
    EXPECT_EQ(title->Font().Size(), 24);

    title->SetParentFont(true);
    EXPECT_EQ(title->Font().Name(), "Tahoma");
}

TEST(ControlsTest, FontSizeAndPixelHeightAgreeAtNinetySixDotsPerInch) {
    TFont font;
    font.SetHeight(12);
    EXPECT_EQ(font.Size(), 9);
    font.SetHeight(13);
    EXPECT_EQ(font.Size(), 10);
    for (int points = 6; points <= 36; ++points) {
        font.SetSize(points);
        EXPECT_EQ(font.Size(), points);
    }
    EXPECT_EQ(clNavy.Red(), 0);
    EXPECT_EQ(clNavy.Green(), 0);
    EXPECT_EQ(clNavy.Blue(), 128);
    EXPECT_EQ(clBlue.Blue(), 255);
    EXPECT_NE(clWindowText, clBlack); // a system colour, resolved by the desktop
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
}

TEST(ControlsTest, SettersTellThePeerOnlyWhenSomethingChanges) {
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    std::vector<TProperty> log;
    label->SetPeer(std::make_unique<RecordingPeer>(log));
    label->SetHint("a");
    label->SetHint("a");
    label->SetEnabled(false);
    label->SetCursor(TCursor::crHandPoint);
    label->SetColor(clRed);
    EXPECT_EQ(log, (std::vector<TProperty>{TProperty::Hint, TProperty::Enabled, TProperty::Cursor,
                                           TProperty::Color}));
    log.clear();
    label->Font().SetStyle(fsUnderline);
    EXPECT_EQ(log.front(), TProperty::Font);
}

TEST(ControlsTest, AutoSizedLabelTakesTheSizeOfItsText) {
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetLeft(20);
    label->SetCaption("Alert me to have a rest in");
    const int longWidth = label->Width();
    label->SetCaption("Rest");
    EXPECT_LT(label->Width(), longWidth);
    EXPECT_GT(label->Width(), 0);
    EXPECT_EQ(label->Left(), 20);
    // Accelerator marks take no room.
    auto* plain = new TLabel(&form);
    plain->SetCaption("Add");
    auto* marked = new TLabel(&form);
    marked->SetCaption("&Add");
    EXPECT_EQ(marked->Width(), plain->Width());
    // A bigger font makes a bigger label.
    const int before = plain->Width();
    plain->Font().SetSize(20);
    EXPECT_GT(plain->Width(), before);
    // Right-justified labels keep their right edge.
    auto* right = new TLabel(&form);
    right->SetAlignment(TAlignment::taRightJustify);
    right->SetCaption("x");
    right->SetLeft(100);
    const int rightEdge = right->Left() + right->Width();
    right->SetCaption("much longer text");
    EXPECT_EQ(right->Left() + right->Width(), rightEdge);
    // Without auto-size the label keeps its bounds.
    auto* fixed = new TLabel(&form);
    fixed->SetAutoSize(false);
    fixed->SetBounds(0, 0, 50, 10);
    fixed->SetCaption("a caption far wider than fifty pixels");
    EXPECT_EQ(fixed->Width(), 50);
}

TEST(ControlsTest, PeerMeasuresLabelTextWhenItCan) {
    class MeasuringPeer : public TControlPeer {
    public:
        void PropertyChanged(TControl&, TProperty) override {}
        bool MeasureText(const TFont&, const std::string& text, int& width, int& height) override {
            width = static_cast<int>(text.size()) * 7;
            height = 15;
            return true;
        }
    };
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetPeer(std::make_unique<MeasuringPeer>());
    label->SetCaption("abcd");
    EXPECT_EQ(label->Width(), 28);
    EXPECT_EQ(label->Height(), 15);
}

TEST(ControlsTest, AlignedChildrenShareTheClientArea) {
    TForm form(nullptr);
    form.SetBorderStyle(TBorderStyle::bsNone);
    form.SetClientWidth(392);
    form.SetClientHeight(366);
    auto* buttons = new TPanel(&form);
    buttons->SetParent(&form);
    buttons->SetHeight(32);
    buttons->SetAlign(TAlign::alBottom);
    auto* pages = new TPageControl(&form);
    pages->SetParent(&form);
    pages->SetAlign(TAlign::alClient);
    EXPECT_EQ(buttons->BoundsRect(), (TRect{0, 334, 392, 366}));
    EXPECT_EQ(pages->BoundsRect(), (TRect{0, 0, 392, 334}));
    form.SetClientHeight(400);
    EXPECT_EQ(buttons->Top(), 368);
    EXPECT_EQ(pages->Height(), 368);
    buttons->Hide();
    EXPECT_EQ(pages->Height(), 400);
}

TEST(ControlsTest, FormKeepsItsClientSizeAcrossBorderStyles) {
    TForm form(nullptr);
    form.SetClientWidth(352);
    form.SetClientHeight(276);
    form.SetBorderStyle(TBorderStyle::bsDialog);
    EXPECT_EQ(form.ClientWidth(), 352);
    EXPECT_EQ(form.ClientHeight(), 276);
    EXPECT_GT(form.Height(), form.ClientHeight());
    form.SetBorderStyle(TBorderStyle::bsNone);
    EXPECT_EQ(form.Width(), 352);
    EXPECT_FALSE(form.Visible());
}

TEST(ControlsTest, FocusMovesWithEnterAndExitEvents) {
    TForm form(nullptr);
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    auto* spin = new TSpinEdit(&form);
    spin->SetParent(&form);
    std::vector<std::string> events;
    list->OnEnter = [&](TComponent*) { events.push_back("list enter"); };
    list->OnExit = [&](TComponent*) { events.push_back("list exit"); };
    spin->OnEnter = [&](TComponent*) { events.push_back("spin enter"); };

    list->SetFocus();
    spin->SetFocus();
    EXPECT_EQ(events, (std::vector<std::string>{"list enter", "list exit", "spin enter"}));
    EXPECT_TRUE(spin->Focused());
    EXPECT_EQ(form.ActiveControl(), spin);

    list->SetEnabled(false);
    EXPECT_THROW(list->SetFocus(), EInvalidOperation);
    EXPECT_EQ(form.ActiveControl(), spin);
    auto* loose = new TButton(&form); // on no form
    EXPECT_THROW(loose->SetFocus(), EInvalidOperation);

    delete spin;
    EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST(ControlsTest, AControlThatLeavesTheFormLeavesTheFocusWithIt) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* list = new TListBox(&form);
    list->SetParent(panel);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    list->SetFocus();
    delete panel; // the list stays, but on no form
    EXPECT_EQ(form.ActiveControl(), nullptr);
    delete list;
    button->SetFocus(); // must not tell the destroyed list that it lost the focus
    EXPECT_EQ(form.ActiveControl(), button);
    auto* other = new TPanel(&form);
    button->SetParent(other);
    EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST(ControlsTest, CheckingARadioButtonUnchecksItsSiblingsOnly) {
    TForm form(nullptr);
    auto* group = new TRadioGroup(&form);
    group->SetParent(&form);
    std::vector<TRadioButton*> alert;
    for (int i = 0; i < 4; ++i) {
        alert.push_back(new TRadioButton(&form));
        alert.back()->SetParent(group);
    }
    auto* otherPage = new TPanel(&form);
    otherPage->SetParent(&form);
    auto* play = new TRadioButton(&form);
    play->SetParent(otherPage);
    auto* check = new TCheckBox(&form);
    check->SetParent(group);

    play->SetChecked(true);
    check->SetChecked(true);
    alert[1]->SetChecked(true);
    alert[3]->SetChecked(true);
    EXPECT_FALSE(alert[1]->Checked());
    EXPECT_TRUE(alert[3]->Checked());
    EXPECT_TRUE(play->Checked());  // another parent, another group
    EXPECT_TRUE(check->Checked()); // not a radio button
    EXPECT_EQ(group->ItemIndex(), 3);

    group->SetItemIndex(0);
    EXPECT_TRUE(alert[0]->Checked());
    EXPECT_FALSE(alert[3]->Checked());
    group->SetItemIndex(-1);
    EXPECT_EQ(group->ItemIndex(), -1);

    // Unchecking does not check anything else.
    alert[2]->SetChecked(true);
    alert[2]->SetChecked(false);
    EXPECT_EQ(group->ItemIndex(), -1);
}

TEST(ControlsTest, UserClicksOnBoxesChangeStateThenRaiseOnClick) {
    TForm form(nullptr);
    auto* box = new TCheckBox(&form);
    auto* radio = new TRadioButton(&form);
    std::vector<bool> seen;
    box->OnClick = [&](TComponent*) { seen.push_back(box->Checked()); };
    radio->OnClick = [&](TComponent*) { seen.push_back(radio->Checked()); };
    box->Toggle();
    box->Toggle();
    radio->Select();
    radio->Select();       // already checked: no second click
    box->SetChecked(true); // the program's change raises nothing
    EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
}

TEST(ControlsTest, ListBoxSelectionStaysOnItsLine) {
    TForm form(nullptr);
    auto* list = new TListBox(&form);
    list->SetSorted(true);
    list->Items().Add("Night.m3u");
    list->Items().Add("beep.wav");
    list->SetItemIndex(list->Items().IndexOf("night.M3U"));
    EXPECT_EQ(list->ItemIndex(), 1);
    list->Items().Add("Alarm.mid");
    EXPECT_EQ(list->Items()[list->ItemIndex()], "Night.m3u");
    list->Items().Add("Zebra.mid");
    EXPECT_EQ(list->ItemIndex(), 2);
    list->Items().Delete(0);
    EXPECT_EQ(list->Items()[list->ItemIndex()], "Night.m3u");
    list->Items().Delete(list->ItemIndex());
    EXPECT_EQ(list->ItemIndex(), -1);
    list->SetItemIndex(0);
    list->Items().Clear();
    EXPECT_EQ(list->ItemIndex(), -1);
    list->Items().Add("one");
    list->SetItemIndex(5);
    EXPECT_EQ(list->ItemIndex(), -1);
}

TEST(ControlsTest, ListBoxFindsTheLineUnderThePointer) {
    TForm form(nullptr);
    auto* list = new TListBox(&form);
    list->SetBounds(0, 0, 120, 100);
    list->SetItemHeight(13);
    for (const char* name : {"a", "b", "c"})
        list->Items().Add(name);
    EXPECT_EQ(list->ItemAtPos({5, 0}, true), 0);
    EXPECT_EQ(list->ItemAtPos({5, 12}, true), 0);
    EXPECT_EQ(list->ItemAtPos({5, 13}, true), 1);
    EXPECT_EQ(list->ItemAtPos({5, 38}, true), 2);
    EXPECT_EQ(list->ItemAtPos({5, 39}, true), -1); // below the last line
    EXPECT_EQ(list->ItemAtPos({5, 39}, false), 3);
    EXPECT_EQ(list->ItemAtPos({5, 120}, false), -1); // outside the list
    list->SetTopIndex(1);
    EXPECT_EQ(list->ItemAtPos({5, 0}, true), 1);
    list->SetTopIndex(10);
    EXPECT_EQ(list->TopIndex(), 2);
}

TEST(ControlsTest, UserSelectionRaisesEventsButTheProgramsDoesNot) {
    TForm form(nullptr);
    auto* list = new TListBox(&form);
    auto* combo = new TComboBox(&form);
    combo->SetStyle(TComboBoxStyle::csDropDownList);
    combo->SetSorted(true);
    for (const char* name : {"ssmyst.scr", "Bubbles.scr"}) {
        list->Items().Add(name);
        combo->Items().Add(name);
    }
    int clicks = 0;
    int changes = 0;
    list->OnClick = [&](TComponent*) { ++clicks; };
    combo->OnChange = [&](TComponent*) { ++changes; };
    list->SetItemIndex(1);
    combo->SetItemIndex(1);
    EXPECT_EQ(clicks + changes, 0);
    list->SelectByUser(0);
    combo->SelectByUser(0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->Text(), "Bubbles.scr");
    combo->SetItemIndex(-1);
    EXPECT_EQ(combo->Text(), "");
}

TEST(ControlsTest, MemoTextIsItsLines) {
    TForm form(nullptr);
    auto* memo = new TMemo(&form);
    int changes = 0;
    memo->OnChange = [&](TComponent*) { ++changes; };
    memo->Lines().Add("Thanks to");
    memo->Lines().Add("everyone");
    EXPECT_EQ(memo->Text(), "Thanks to\r\neveryone");
    memo->SetText("one\r\ntwo\r\nthree");
    EXPECT_EQ(memo->Lines().Count(), 3);
    EXPECT_EQ(memo->Lines()[2], "three");
    EXPECT_EQ(changes, 3);
}

TEST(ControlsTest, SpinEditClampsSetValuesAndReadsItsText) {
    TForm form(nullptr);
    auto* spin = new TSpinEdit(&form);
    spin->SetMinValue(1);
    spin->SetMaxValue(1440);
    spin->SetValue(50);
    EXPECT_EQ(spin->Text(), "50");
    spin->SetValue(0);
    EXPECT_EQ(spin->Value(), 1);
    spin->SetValue(2000);
    EXPECT_EQ(spin->Text(), "1440");

    // Typed text is kept as typed; the value read is its number, or the minimum.
    spin->SetText("2000");
    EXPECT_EQ(spin->Value(), 2000);
    spin->SetText(" 75 ");
    EXPECT_EQ(spin->Value(), 75);
    for (const char* text : {"abc", "", "12a", "1.5", "+-3", "99999999999"}) {
        spin->SetText(text);
        EXPECT_EQ(spin->Value(), 1) << text;
    }
    spin->SetText("-3");
    EXPECT_EQ(spin->Value(), -3);
}

TEST(ControlsTest, SpinEditStepsByOneWithinItsRange) {
    TForm form(nullptr);
    auto* spin = new TSpinEdit(&form);
    spin->SetMinValue(1);
    spin->SetMaxValue(1440);
    spin->SetValue(1439);
    spin->StepUp();
    spin->StepUp();
    EXPECT_EQ(spin->Value(), 1440);
    spin->SetValue(2);
    spin->StepDown();
    spin->StepDown();
    EXPECT_EQ(spin->Value(), 1);
    spin->SetReadOnly(true);
    spin->StepUp();
    EXPECT_EQ(spin->Value(), 1);
}

TEST(ControlsTest, SpinEditReplacesOutOfRangeNumbersWhenTheFocusLeaves) {
    TForm form(nullptr);
    auto* spin = new TSpinEdit(&form);
    spin->SetParent(&form);
    spin->SetMinValue(1);
    spin->SetMaxValue(1440);
    auto* other = new TButton(&form);
    other->SetParent(&form);
    int exits = 0;
    spin->OnExit = [&](TComponent*) { ++exits; };

    const std::pair<const char*, const char*> cases[] = {
        {"0", "1"}, {"2000", "1440"}, {"-5", "1"}, {"720", "720"}, {"abc", "abc"}};
    for (auto [typed, shown] : cases) {
        spin->SetFocus();
        spin->SetText(typed);
        other->SetFocus();
        EXPECT_EQ(spin->Text(), shown) << typed;
    }
    EXPECT_EQ(exits, 5);
}

TEST(ControlsTest, SpinEditWithEqualBoundsHasNoRange) {
    TForm form(nullptr);
    auto* spin = new TSpinEdit(&form);
    spin->SetValue(-12345);
    EXPECT_EQ(spin->Value(), -12345);
}
