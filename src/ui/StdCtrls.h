// The standard controls: labels, edit fields and memos, check boxes and radio buttons,
// group boxes, buttons, list boxes and combo boxes.
#pragma once

#include "ui/Controls.h"

namespace ui {

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);

    using TControl::Caption;
    using TControl::SetCaption;

    // An auto-sized label takes the size of its text whenever the text or font changes; a
    // right-justified one keeps its right edge where it was.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);

protected:
    void CaptionChanged() override { AdjustBounds(); }
    void FontChanged() override;
    void PeerChanged() override { AdjustBounds(); }

private:
    void AdjustBounds();

    bool autoSize_ = true;
    TAlignment alignment_ = TAlignment::taLeftJustify;
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// A field of editable text.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);

    virtual std::string Text() const { return text_; }
    virtual void SetText(const std::string& text);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);

    // Raised after every change of the text, by the user or the program.
    TNotifyEvent OnChange;

protected:
    void Change();

private:
    std::string text_;
    bool readOnly_ = false;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

// A multi-line text field; its text is its lines.
class TCustomMemo : public TCustomEdit {
public:
    explicit TCustomMemo(TComponent* owner);
    ~TCustomMemo() override;

    TStrings& Lines() { return lines_; }
    const TStrings& Lines() const { return lines_; }
    // The lines joined by CR LF, without a break after the last.
    std::string Text() const override;
    void SetText(const std::string& text) override;
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle scrollBars);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle borderStyle);

private:
    TStringList lines_;
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
    bool wordWrap_ = true;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
};

class TMemo : public TCustomMemo {
public:
    explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
};

class TCustomCheckBox : public TWinControl {
public:
    explicit TCustomCheckBox(TComponent* owner);

    using TControl::Caption;
    using TControl::SetCaption;

    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    // The user's click on the box: flips it, then OnClick.
    void Toggle();

protected:
    void ActionCheckedChanged(bool checked) override { SetChecked(checked); }

private:
    bool checked_ = false;
};

class TCheckBox : public TCustomCheckBox {
public:
    explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};

// One choice of a group: checking it unchecks every other radio button of the same parent.
class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* owner);

    using TControl::Caption;
    using TControl::SetCaption;

    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    // The user's click on the button: checks it, then OnClick.
    void Select();

protected:
    void ActionCheckedChanged(bool checked) override { SetChecked(checked); }

private:
    bool checked_ = false;
};

// A frame with a caption around other controls.
class TCustomGroupBox : public TWinControl {
public:
    explicit TCustomGroupBox(TComponent* owner) : TWinControl(owner) {}

    using TControl::Caption;
    using TControl::SetCaption;
};

class TGroupBox : public TCustomGroupBox {
public:
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};

// A push button; with an action it shows the action's caption and runs it when clicked.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);

    using TControl::Caption;
    using TControl::SetCaption;

    // Pressed by Enter / by Escape anywhere in the form.
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool cancel) { cancel_ = cancel; }

private:
    bool default_ = false;
    bool cancel_ = false;
};

// A list of lines with at most one selected (ItemIndex, -1 for none). The selection stays on
// its line when lines are added or deleted before it.
class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    TStrings& Items() { return items_; }
    const TStrings& Items() const { return items_; }
    // A sorted list puts every line in case-insensitive order.
    bool Sorted() const { return items_.Sorted(); }
    void SetSorted(bool sorted) { items_.SetSorted(sorted); }
    int ItemIndex() const { return itemIndex_; }
    // An index outside the list selects nothing.
    void SetItemIndex(int index);

    // Height of one line in pixels; 0 (the default) takes it from the font.
    int ItemHeight() const;
    void SetItemHeight(int height);
    // The first line shown; the peer keeps it up to date when the user scrolls.
    int TopIndex() const { return topIndex_; }
    void SetTopIndex(int index);
    // The line under a point of the client area; -1 outside the client area, and below the
    // last line -1 when `existing`, else the line count.
    int ItemAtPos(TPoint pos, bool existing) const;

    // The user's selection: selects the line, then OnClick.
    void SelectByUser(int index);

private:
    void ItemsChanged(TListChange change, int index);

    TStringList items_;
    int itemIndex_ = -1;
    int itemHeight_ = 0;
    int topIndex_ = 0;
};

class TListBox : public TCustomListBox {
public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};

class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;

    TStrings& Items() { return items_; }
    const TStrings& Items() const { return items_; }
    bool Sorted() const { return items_.Sorted(); }
    void SetSorted(bool sorted) { items_.SetSorted(sorted); }
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle style);
    int ItemIndex() const { return itemIndex_; }
    // An index outside the list selects nothing.
    void SetItemIndex(int index);
    // The selected line, or the empty text when none is selected.
    std::string Text() const;

    // The user's choice from the drop-down: selects the line, then OnChange.
    void SelectByUser(int index);

    TNotifyEvent OnChange;

private:
    void ItemsChanged(TListChange change, int index);

    TStringList items_;
    TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
    int itemIndex_ = -1;
};

class TComboBox : public TCustomComboBox {
public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

} // namespace ui
