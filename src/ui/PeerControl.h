// The control as its native peer sees it: what kind of window to make, the properties to show,
// and the user's actions to hand back. A peer reads and calls its control only through this
// view, so a platform's peers depend on no component class.
#pragma once

#include "os/Types.h"
#include "ui/Classes.h"
#include "ui/ControlTypes.h"
#include "ui/Graphics.h"
#include "ui/Peer.h"

#include <memory>
#include <string>

namespace ui {

class TControl;
class TForm;

using os::TPoint;
using os::TRect;

// The kinds of native window a control needs, most specific first: a spin edit is an edit, a
// radio group a group box, and a control that is none of the others but holds children a
// plain container.
enum class TPeerKind {
    Form,
    PageControl,
    TabSheet,
    Panel,
    GroupBox,
    Container,
    Label,
    Image,
    Memo,
    Edit,
    SpinEdit,
    CheckBox,
    RadioButton,
    Button,
    ListBox,
    ComboBox,
    PaintedButtons,
    Other, // a control without a window of its own
};

class TPeerControl {
public:
    explicit TPeerControl(TControl& control);

    TPeerKind Kind() const { return kind_; }
    const std::string& Name() const;
    // The peer of the control this one is shown in; nullptr for none (a form).
    TControlPeer* ParentPeer() const;
    // The form the control is on, and the form's peer.
    TControlPeer* FormPeer() const;

    // Common properties. Bounds are in pixels at 96 dots per inch, relative to the parent's
    // client area; a form's are its outer frame on the screen.
    TRect Bounds() const;
    bool Visible() const;
    bool Enabled() const;
    const std::string& Hint() const;
    bool ShowHint() const;
    const TFont& Font() const;
    TColor Color() const;
    TCursor Cursor() const;
    bool TabStop() const;
    // The text shown: a caption, a button's or page's title, a form's title bar.
    std::string Caption() const;
    TAlignment Alignment() const;

    // Forms.
    int ClientWidth() const;
    int ClientHeight() const;
    TBorderStyle FormBorderStyle() const;
    TBorderIcons BorderIcons() const;
    TPosition Position() const;
    // The control that has the focus, or gets it when the form is shown; nullptr for none.
    TControlPeer* ActiveControlPeer() const;
    // The peer of a button with Default (or Cancel) set, visible and enabled; nullptr for none.
    TControlPeer* DefaultButtonPeer() const;
    TControlPeer* CancelButtonPeer() const;

    // Edit fields, spin edits and memos.
    std::string Text() const;
    bool ReadOnly() const;
    TScrollStyle ScrollBars() const;
    bool WordWrap() const;
    TBorderStyle BorderStyle() const;

    // Check boxes, radio buttons and push buttons.
    bool Checked() const;
    bool Default() const;

    // List boxes and combo boxes.
    int ItemCount() const;
    std::string Item(int index) const;
    int ItemIndex() const;
    TComboBoxStyle ComboStyle() const;

    // Panels.
    TPanelBevel BevelOuter() const;
    TPanelBevel BevelInner() const;

    // Images.
    std::string Picture() const;
    bool Transparent() const;
    bool Center() const;
    bool Stretch() const;

    // Page controls and their pages.
    int PageCount() const;
    TControlPeer* PagePeer(int index) const;
    std::string PageCaption(int index) const;
    int ActivePageIndex() const;
    int PageIndex() const; // of a tab sheet
    // The page control a tab sheet belongs to; nullptr for none.
    TControlPeer* PageControlPeer() const;

    // A control that has its peer paint its buttons; nullptr for the others.
    TPaintedButtons* PaintedButtons() const { return painted_; }

    // What the user did. Each runs the control's handlers, which may destroy the control
    // (and the peer): check LifeToken() before touching either afterwards.
    void Click();
    void MouseMove(TShiftState shift, int x, int y);
    void MouseEnter();
    void MouseLeave();
    // The native focus arrived: the control becomes its form's active control, if it can.
    void FocusArrived();
    void Toggle();                         // check box clicked
    void Select();                         // radio button clicked
    void SelectByUser(int index);          // list or combo box line chosen
    void SetTopIndex(int index);           // list box scrolled
    void SetText(const std::string& text); // text typed
    void StepUp();
    void StepDown();
    void SelectPageByUser(int index);
    // Where a page control's pages lie, in the control's client coordinates at 96 dots per
    // inch.
    void SetDisplayRect(const TRect& rect);
    // The close box of a form.
    void CloseBox();
    std::weak_ptr<void> LifeToken() const;

private:
    TControl& control_;
    TPeerKind kind_;
    TPaintedButtons* painted_ = nullptr;
};

// The peer of a form, for the factory that runs its modal loop; nullptr for none.
TControlPeer* PeerOfForm(TForm& form);

} // namespace ui
