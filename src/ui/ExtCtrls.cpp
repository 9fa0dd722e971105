#include "ui/ExtCtrls.h"

#include <vector>

namespace ui {

// ---- TCustomPanel --------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelOuter(TPanelBevel bevel) {
    if (bevel == bevelOuter_)
        return;
    bevelOuter_ = bevel;
    Changed(TProperty::Style);
}

void TCustomPanel::SetBevelInner(TPanelBevel bevel) {
    if (bevel == bevelInner_)
        return;
    bevelInner_ = bevel;
    Changed(TProperty::Style);
}

void TCustomPanel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    Changed(TProperty::Alignment);
}

// ---- TCustomRadioGroup ---------------------------------------------------------------------

namespace {

std::vector<TRadioButton*> RadioButtonsOf(const TWinControl& group) {
    std::vector<TRadioButton*> buttons;
    for (int i = 0; i < group.ControlCount(); ++i)
        if (auto* button = dynamic_cast<TRadioButton*>(group.Controls(i)))
            buttons.push_back(button);
    return buttons;
}

} // namespace

int TCustomRadioGroup::ItemIndex() const {
    const auto buttons = RadioButtonsOf(*this);
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i]->Checked())
            return static_cast<int>(i);
    return -1;
}

void TCustomRadioGroup::SetItemIndex(int index) {
    const auto buttons = RadioButtonsOf(*this);
    if (index >= 0 && index < static_cast<int>(buttons.size())) {
        buttons[static_cast<std::size_t>(index)]->SetChecked(true);
        return;
    }
    for (TRadioButton* button : buttons)
        button->SetChecked(false);
}

// ---- TImage --------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 105, 105);
}

void TImage::SetPicture(const std::string& resourceName) {
    if (resourceName == picture_)
        return;
    picture_ = resourceName;
    Changed(TProperty::Picture);
}

void TImage::SetTransparent(bool transparent) {
    if (transparent == transparent_)
        return;
    transparent_ = transparent;
    Changed(TProperty::Transparent);
}

void TImage::SetCenter(bool center) {
    if (center == center_)
        return;
    center_ = center;
    Changed(TProperty::Picture);
}

void TImage::SetStretch(bool stretch) {
    if (stretch == stretch_)
        return;
    stretch_ = stretch;
    Changed(TProperty::Picture);
}

} // namespace ui
