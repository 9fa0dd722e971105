#include "ui/PeerControl.h"

#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Spin.h"
#include "ui/StdCtrls.h"

namespace ui {

namespace {

TPeerKind KindOf(TControl& control) {
    if (dynamic_cast<TForm*>(&control))
        return TPeerKind::Form;
    if (dynamic_cast<TPageControl*>(&control))
        return TPeerKind::PageControl;
    if (dynamic_cast<TTabSheet*>(&control))
        return TPeerKind::TabSheet;
    if (dynamic_cast<TPaintedButtons*>(&control))
        return TPeerKind::PaintedButtons;
    if (dynamic_cast<TSpinEdit*>(&control))
        return TPeerKind::SpinEdit;
    if (dynamic_cast<TCustomMemo*>(&control))
        return TPeerKind::Memo;
    if (dynamic_cast<TCustomEdit*>(&control))
        return TPeerKind::Edit;
    if (dynamic_cast<TCustomLabel*>(&control))
        return TPeerKind::Label;
    if (dynamic_cast<TImage*>(&control))
        return TPeerKind::Image;
    if (dynamic_cast<TCustomCheckBox*>(&control))
        return TPeerKind::CheckBox;
    if (dynamic_cast<TRadioButton*>(&control))
        return TPeerKind::RadioButton;
    if (dynamic_cast<TCustomGroupBox*>(&control))
        return TPeerKind::GroupBox;
    if (dynamic_cast<TButton*>(&control))
        return TPeerKind::Button;
    if (dynamic_cast<TCustomListBox*>(&control))
        return TPeerKind::ListBox;
    if (dynamic_cast<TCustomComboBox*>(&control))
        return TPeerKind::ComboBox;
    if (dynamic_cast<TCustomPanel*>(&control))
        return TPeerKind::Panel;
    if (dynamic_cast<TWinControl*>(&control))
        return TPeerKind::Container;
    return TPeerKind::Other;
}

template <class T>
T* As(TControl& control) {
    return dynamic_cast<T*>(&control);
}

TControlPeer* PeerOf(const TControl* control) {
    return control ? control->Peer() : nullptr;
}

// A button of the form with the flag set that the user can press.
TControlPeer* FindButton(const TWinControl& parent, bool (TButton::*flag)() const) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* child = parent.Controls(i);
        if (!child->Visible() || !child->Enabled())
            continue;
        if (auto* button = dynamic_cast<TButton*>(child); button && (button->*flag)())
            return button->Peer();
        if (auto* container = dynamic_cast<TWinControl*>(child))
            if (TControlPeer* found = FindButton(*container, flag))
                return found;
    }
    return nullptr;
}

} // namespace

TPeerControl::TPeerControl(TControl& control)
    : control_(control), kind_(KindOf(control)), painted_(As<TPaintedButtons>(control)) {}

const std::string& TPeerControl::Name() const {
    return control_.Name();
}

TControlPeer* TPeerControl::ParentPeer() const {
    return PeerOf(control_.Parent());
}

TControlPeer* TPeerControl::FormPeer() const {
    return PeerOf(GetParentForm(&control_));
}

TRect TPeerControl::Bounds() const {
    return control_.BoundsRect();
}

bool TPeerControl::Visible() const {
    return control_.Visible();
}

bool TPeerControl::Enabled() const {
    return control_.Enabled();
}

const std::string& TPeerControl::Hint() const {
    return control_.Hint();
}

bool TPeerControl::ShowHint() const {
    return control_.ShowHint();
}

const TFont& TPeerControl::Font() const {
    return control_.Font();
}

TColor TPeerControl::Color() const {
    return control_.Color();
}

TCursor TPeerControl::Cursor() const {
    return control_.Cursor();
}

bool TPeerControl::TabStop() const {
    auto* control = As<TWinControl>(control_);
    return control && control->TabStop();
}

std::string TPeerControl::Caption() const {
    if (auto* c = As<TForm>(control_))
        return c->Caption();
    if (auto* c = As<TCustomLabel>(control_))
        return c->Caption();
    if (auto* c = As<TCustomCheckBox>(control_))
        return c->Caption();
    if (auto* c = As<TRadioButton>(control_))
        return c->Caption();
    if (auto* c = As<TCustomGroupBox>(control_))
        return c->Caption();
    if (auto* c = As<TButton>(control_))
        return c->Caption();
    if (auto* c = As<TCustomPanel>(control_))
        return c->Caption();
    if (auto* c = As<TTabSheet>(control_))
        return c->Caption();
    return {};
}

TAlignment TPeerControl::Alignment() const {
    if (auto* c = As<TCustomLabel>(control_))
        return c->Alignment();
    if (auto* c = As<TCustomPanel>(control_))
        return c->Alignment();
    return TAlignment::taLeftJustify;
}

int TPeerControl::ClientWidth() const {
    return control_.ClientWidth();
}

int TPeerControl::ClientHeight() const {
    return control_.ClientHeight();
}

TBorderStyle TPeerControl::FormBorderStyle() const {
    auto* form = As<TForm>(control_);
    return form ? form->BorderStyle() : TBorderStyle::bsNone;
}

TBorderIcons TPeerControl::BorderIcons() const {
    auto* form = As<TForm>(control_);
    return form ? form->BorderIcons() : 0;
}

TPosition TPeerControl::Position() const {
    auto* form = As<TForm>(control_);
    return form ? form->Position() : TPosition::poDesigned;
}

TControlPeer* TPeerControl::ActiveControlPeer() const {
    auto* form = As<TForm>(control_);
    return form ? PeerOf(form->ActiveControl()) : nullptr;
}

TControlPeer* TPeerControl::DefaultButtonPeer() const {
    auto* form = As<TForm>(control_);
    return form ? FindButton(*form, &TButton::Default) : nullptr;
}

TControlPeer* TPeerControl::CancelButtonPeer() const {
    auto* form = As<TForm>(control_);
    return form ? FindButton(*form, &TButton::Cancel) : nullptr;
}

std::string TPeerControl::Text() const {
    auto* edit = As<TCustomEdit>(control_);
    return edit ? edit->Text() : std::string();
}

bool TPeerControl::ReadOnly() const {
    auto* edit = As<TCustomEdit>(control_);
    return edit && edit->ReadOnly();
}

TScrollStyle TPeerControl::ScrollBars() const {
    auto* memo = As<TCustomMemo>(control_);
    return memo ? memo->ScrollBars() : TScrollStyle::ssNone;
}

bool TPeerControl::WordWrap() const {
    auto* memo = As<TCustomMemo>(control_);
    return memo && memo->WordWrap();
}

TBorderStyle TPeerControl::BorderStyle() const {
    if (auto* memo = As<TCustomMemo>(control_))
        return memo->BorderStyle();
    return As<TCustomEdit>(control_) ? TBorderStyle::bsSingle : TBorderStyle::bsNone;
}

bool TPeerControl::Checked() const {
    if (auto* c = As<TCustomCheckBox>(control_))
        return c->Checked();
    if (auto* c = As<TRadioButton>(control_))
        return c->Checked();
    return false;
}

bool TPeerControl::Default() const {
    auto* button = As<TButton>(control_);
    return button && button->Default();
}

int TPeerControl::ItemCount() const {
    if (auto* c = As<TCustomListBox>(control_))
        return c->Items().Count();
    if (auto* c = As<TCustomComboBox>(control_))
        return c->Items().Count();
    return 0;
}

std::string TPeerControl::Item(int index) const {
    if (index < 0 || index >= ItemCount())
        return {};
    if (auto* c = As<TCustomListBox>(control_))
        return c->Items()[index];
    if (auto* c = As<TCustomComboBox>(control_))
        return c->Items()[index];
    return {};
}

int TPeerControl::ItemIndex() const {
    if (auto* c = As<TCustomListBox>(control_))
        return c->ItemIndex();
    if (auto* c = As<TCustomComboBox>(control_))
        return c->ItemIndex();
    return -1;
}

TComboBoxStyle TPeerControl::ComboStyle() const {
    auto* combo = As<TCustomComboBox>(control_);
    return combo ? combo->Style() : TComboBoxStyle::csDropDown;
}

TPanelBevel TPeerControl::BevelOuter() const {
    auto* panel = As<TCustomPanel>(control_);
    return panel ? panel->BevelOuter() : TPanelBevel::bvNone;
}

TPanelBevel TPeerControl::BevelInner() const {
    auto* panel = As<TCustomPanel>(control_);
    return panel ? panel->BevelInner() : TPanelBevel::bvNone;
}

std::string TPeerControl::Picture() const {
    auto* image = As<TImage>(control_);
    return image ? image->Picture() : std::string();
}

bool TPeerControl::Transparent() const {
    auto* image = As<TImage>(control_);
    return image && image->Transparent();
}

bool TPeerControl::Center() const {
    auto* image = As<TImage>(control_);
    return image && image->Center();
}

bool TPeerControl::Stretch() const {
    auto* image = As<TImage>(control_);
    return image && image->Stretch();
}

int TPeerControl::PageCount() const {
    auto* pages = As<TPageControl>(control_);
    return pages ? pages->PageCount() : 0;
}

TControlPeer* TPeerControl::PagePeer(int index) const {
    auto* pages = As<TPageControl>(control_);
    return pages && index >= 0 && index < pages->PageCount() ? pages->Pages(index)->Peer()
                                                             : nullptr;
}

std::string TPeerControl::PageCaption(int index) const {
    auto* pages = As<TPageControl>(control_);
    return pages && index >= 0 && index < pages->PageCount() ? pages->Pages(index)->Caption()
                                                             : std::string();
}

int TPeerControl::ActivePageIndex() const {
    auto* pages = As<TPageControl>(control_);
    return pages ? pages->ActivePageIndex() : -1;
}

int TPeerControl::PageIndex() const {
    auto* sheet = As<TTabSheet>(control_);
    return sheet ? sheet->PageIndex() : -1;
}

TControlPeer* TPeerControl::PageControlPeer() const {
    auto* sheet = As<TTabSheet>(control_);
    return sheet ? PeerOf(sheet->PageControl()) : nullptr;
}

void TPeerControl::Click() {
    control_.Click();
}

void TPeerControl::MouseMove(TShiftState shift, int x, int y) {
    control_.MouseMove(shift, x, y);
}

void TPeerControl::MouseEnter() {
    control_.MouseEnter();
}

void TPeerControl::MouseLeave() {
    control_.MouseLeave();
}

void TPeerControl::FocusArrived() {
    auto* control = As<TWinControl>(control_);
    if (control && kind_ != TPeerKind::Form && !control->Focused() && control->CanFocus())
        control->SetFocus();
}

void TPeerControl::Toggle() {
    if (auto* box = As<TCustomCheckBox>(control_))
        box->Toggle();
}

void TPeerControl::Select() {
    if (auto* button = As<TRadioButton>(control_))
        button->Select();
}

void TPeerControl::SelectByUser(int index) {
    if (auto* list = As<TCustomListBox>(control_))
        list->SelectByUser(index);
    else if (auto* combo = As<TCustomComboBox>(control_))
        combo->SelectByUser(index);
}

void TPeerControl::SetTopIndex(int index) {
    if (auto* list = As<TCustomListBox>(control_))
        list->SetTopIndex(index);
}

void TPeerControl::SetText(const std::string& text) {
    if (auto* edit = As<TCustomEdit>(control_))
        edit->SetText(text);
}

void TPeerControl::StepUp() {
    if (auto* spin = As<TSpinEdit>(control_))
        spin->StepUp();
}

void TPeerControl::StepDown() {
    if (auto* spin = As<TSpinEdit>(control_))
        spin->StepDown();
}

void TPeerControl::SelectPageByUser(int index) {
    if (auto* pages = As<TPageControl>(control_))
        pages->SelectPageByUser(index);
}

void TPeerControl::SetDisplayRect(const TRect& rect) {
    if (auto* pages = As<TPageControl>(control_))
        pages->SetDisplayRect(rect);
}

void TPeerControl::CloseBox() {
    if (auto* form = As<TForm>(control_))
        form->Close();
}

std::weak_ptr<void> TPeerControl::LifeToken() const {
    return control_.LifeToken();
}

TControlPeer* PeerOfForm(TForm& form) {
    return form.Peer();
}

} // namespace ui
