#include "ui/StdCtrls.h"

namespace ui {

namespace {

// A label shows "&x" as an underlined x and "&&" as one ampersand.
std::string WithoutAccelerators(const std::string& caption) {
    std::string text;
    text.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return text;
}

// Moves a selected index so that it stays on the same line across a change of the list.
int FollowSelection(int selected, TListChange change, int at) {
    switch (change) {
    case TListChange::Inserted:
        return (selected >= 0 && at <= selected) ? selected + 1 : selected;
    case TListChange::Deleted:
        if (at == selected)
            return -1;
        return at < selected ? selected - 1 : selected;
    case TListChange::Put:
        return selected;
    case TListChange::Reset:
        return -1;
    }
    return selected;
}

int ValidIndexOrNone(int index, int count) {
    return (index >= 0 && index < count) ? index : -1;
}

} // namespace

// ---- TCustomLabel --------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 17);
    AdjustBounds();
}

void TCustomLabel::SetAutoSize(bool autoSize) {
    if (autoSize == autoSize_)
        return;
    autoSize_ = autoSize;
    AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    Changed(TProperty::Alignment);
}

void TCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_)
        return;
    const std::string text = WithoutAccelerators(Caption());
    int width = 0;
    int height = 0;
    if (!Peer() || !Peer()->MeasureText(Font(), text, width, height)) {
        width = EstimateTextWidth(Font(), text);
        height = EstimateTextHeight(Font());
    }
    int left = Left();
    if (alignment_ == TAlignment::taRightJustify)
        left += Width() - width;
    SetBounds(left, Top(), width, height);
}

// ---- TCustomEdit and TCustomMemo -----------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
}

void TCustomEdit::SetText(const std::string& text) {
    if (text == text_)
        return;
    text_ = text;
    Changed(TProperty::Text);
    Change();
}

void TCustomEdit::SetReadOnly(bool readOnly) {
    if (readOnly == readOnly_)
        return;
    readOnly_ = readOnly;
    Changed(TProperty::ReadOnly);
}

void TCustomEdit::Change() {
    if (OnChange) {
        auto handler = OnChange;
        handler(this);
    }
}

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner) {
    SetBounds(0, 0, 185, 89);
    lines_.OnChange = [this](TStrings&, TListChange, int) {
        Changed(TProperty::Text);
        Change();
    };
}

TCustomMemo::~TCustomMemo() {
    lines_.OnChange = nullptr;
}

std::string TCustomMemo::Text() const {
    std::string text;
    for (int i = 0; i < lines_.Count(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines_[i];
    }
    return text;
}

void TCustomMemo::SetText(const std::string& text) {
    if (text == Text())
        return;
    lines_.SetText(text);
}

void TCustomMemo::SetScrollBars(TScrollStyle scrollBars) {
    if (scrollBars == scrollBars_)
        return;
    scrollBars_ = scrollBars;
    Changed(TProperty::ScrollBars);
}

void TCustomMemo::SetWordWrap(bool wordWrap) {
    if (wordWrap == wordWrap_)
        return;
    wordWrap_ = wordWrap;
    Changed(TProperty::WordWrap);
}

void TCustomMemo::SetBorderStyle(TBorderStyle borderStyle) {
    if (borderStyle == borderStyle_)
        return;
    borderStyle_ = borderStyle;
    Changed(TProperty::BorderStyle);
}

// ---- TCustomCheckBox and TRadioButton ------------------------------------------------------

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::SetChecked(bool checked) {
    if (checked == checked_)
        return;
    checked_ = checked;
    Changed(TProperty::Checked);
}

void TCustomCheckBox::Toggle() {
    SetChecked(!checked_);
    Click();
}

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool checked) {
    if (checked == checked_)
        return;
    checked_ = checked;
    Changed(TProperty::Checked);
    if (!checked_ || !Parent())
        return;
    const TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i));
        if (sibling && sibling != this)
            sibling->SetChecked(false);
    }
}

void TRadioButton::Select() {
    if (checked_)
        return;
    SetChecked(true);
    Click();
}

// ---- TButton -------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool isDefault) {
    if (isDefault == default_)
        return;
    default_ = isDefault;
    Changed(TProperty::Default);
}

// ---- TCustomListBox ------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
    items_.OnChange = [this](TStrings&, TListChange change, int index) {
        ItemsChanged(change, index);
    };
}

TCustomListBox::~TCustomListBox() {
    items_.OnChange = nullptr;
}

void TCustomListBox::ItemsChanged(TListChange change, int index) {
    const int before = itemIndex_;
    itemIndex_ = FollowSelection(itemIndex_, change, index);
    if (change == TListChange::Reset)
        topIndex_ = 0;
    else if (topIndex_ > 0 && topIndex_ >= items_.Count())
        topIndex_ = items_.Count() - 1;
    Changed(TProperty::Items);
    if (itemIndex_ != before)
        Changed(TProperty::ItemIndex);
}

void TCustomListBox::SetItemIndex(int index) {
    index = ValidIndexOrNone(index, items_.Count());
    if (index == itemIndex_)
        return;
    itemIndex_ = index;
    Changed(TProperty::ItemIndex);
}

int TCustomListBox::ItemHeight() const {
    if (itemHeight_ > 0)
        return itemHeight_;
    int width = 0;
    int height = 0;
    if (!Peer() || !Peer()->MeasureText(Font(), "Wg", width, height))
        height = EstimateTextHeight(Font());
    return height > 0 ? height : 1;
}

void TCustomListBox::SetItemHeight(int height) {
    itemHeight_ = height > 0 ? height : 0;
}

void TCustomListBox::SetTopIndex(int index) {
    const int last = items_.Count() > 0 ? items_.Count() - 1 : 0;
    topIndex_ = index < 0 ? 0 : (index > last ? last : index);
}

int TCustomListBox::ItemAtPos(TPoint pos, bool existing) const {
    if (pos.X < 0 || pos.Y < 0 || pos.X >= ClientWidth() || pos.Y >= ClientHeight())
        return -1;
    int index = -1;
    if (Peer() && Peer()->ItemAtPos(pos, index)) {
        if (index >= 0 && index < items_.Count())
            return index;
        return existing ? -1 : items_.Count();
    }
    index = topIndex_ + pos.Y / ItemHeight();
    if (index < items_.Count())
        return index;
    return existing ? -1 : items_.Count();
}

void TCustomListBox::SelectByUser(int index) {
    SetItemIndex(index);
    Click();
}

// ---- TCustomComboBox -----------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
    items_.OnChange = [this](TStrings&, TListChange change, int index) {
        ItemsChanged(change, index);
    };
}

TCustomComboBox::~TCustomComboBox() {
    items_.OnChange = nullptr;
}

void TCustomComboBox::ItemsChanged(TListChange change, int index) {
    const int before = itemIndex_;
    itemIndex_ = FollowSelection(itemIndex_, change, index);
    Changed(TProperty::Items);
    if (itemIndex_ != before)
        Changed(TProperty::ItemIndex);
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
    if (style == style_)
        return;
    style_ = style;
    Changed(TProperty::Style);
}

void TCustomComboBox::SetItemIndex(int index) {
    index = ValidIndexOrNone(index, items_.Count());
    if (index == itemIndex_)
        return;
    itemIndex_ = index;
    Changed(TProperty::ItemIndex);
}

std::string TCustomComboBox::Text() const {
    return itemIndex_ >= 0 ? items_[itemIndex_] : std::string();
}

void TCustomComboBox::SelectByUser(int index) {
    SetItemIndex(index);
    if (OnChange) {
        auto handler = OnChange;
        handler(this);
    }
}

} // namespace ui
