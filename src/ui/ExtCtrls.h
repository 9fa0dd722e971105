// Panels, radio groups and images.
#pragma once

#include "ui/StdCtrls.h"

#include <string>

namespace ui {

// A plain area that holds other controls, with an optional centred caption and bevels.
class TCustomPanel : public TWinControl {
public:
    explicit TCustomPanel(TComponent* owner);

    using TControl::Caption;
    using TControl::SetCaption;

    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel bevel);
    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel bevel);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);

private:
    TPanelBevel bevelOuter_ = TPanelBevel::bvRaised;
    TPanelBevel bevelInner_ = TPanelBevel::bvNone;
    TAlignment alignment_ = TAlignment::taCenter;
};

class TPanel : public TCustomPanel {
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

// A frame with a caption whose radio buttons (its children) form one group. A frame, not a
// panel.
class TCustomRadioGroup : public TCustomGroupBox {
public:
    explicit TCustomRadioGroup(TComponent* owner) : TCustomGroupBox(owner) {}

    // Position of the checked radio button among the group's radio buttons; -1 for none.
    int ItemIndex() const;
    // Checks the radio button at that position; -1 or a position past the end unchecks all.
    void SetItemIndex(int index);
};

class TRadioGroup : public TCustomRadioGroup {
public:
    explicit TRadioGroup(TComponent* owner) : TCustomRadioGroup(owner) {}
};

// A picture from the program's resources, named.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);

    const std::string& Picture() const { return picture_; }
    void SetPicture(const std::string& resourceName);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool Center() const { return center_; }
    void SetCenter(bool center);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

private:
    std::string picture_;
    bool transparent_ = false;
    bool center_ = false;
    bool stretch_ = false;
};

} // namespace ui
