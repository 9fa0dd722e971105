// The native side of a control. The platform's realisation gives each visual control a peer
// that owns the real window; the control tells it every property change, and the peer turns
// the user's actions into calls on the control: Click, MouseMove, MouseEnter/MouseLeave,
// SetFocus, Toggle (check boxes), Select (radio buttons), SelectByUser (lists), SetText
// (typed text), StepUp/StepDown (spin edits), SelectPageByUser (page controls).
// Without a peer (tests, headless use) a control is a plain holder of its properties.
#pragma once

#include "os/Types.h"
#include "ui/Classes.h"
#include "ui/ControlTypes.h"

#include <string>
#include <vector>

namespace ui {

class TControl;
class TFont;

enum class TProperty {
    Parent,
    Bounds,
    Visible,
    Enabled,
    Caption,
    Hint,
    ShowHint,
    Font,
    Color,
    Cursor,
    TabStop,
    Alignment,
    BorderStyle,
    Checked,
    Items,     // list box, combo box: the lines changed
    ItemIndex, // the selected line
    Text,      // edit fields, spin edits; a memo's lines
    ReadOnly,
    ScrollBars,
    WordWrap,
    Style, // combo box style, panel bevels
    Range, // spin edit bounds
    Picture,
    Transparent,
    ActivePage,
    PageIndex,
    Default, // button answers Enter / default menu item
    Focus,   // the control became the form's active control
};

// Owned by its control and destroyed first when the control goes, so the destructor must not
// read the control.
class TControlPeer {
public:
    virtual ~TControlPeer() = default;
    // The control's property changed; read the new value from the control. A change that the
    // peer itself reported (typed text, a user's selection) comes back here too.
    virtual void PropertyChanged(TControl& control, TProperty property) = 0;
    // Measures one line of text in a font; false leaves the control to its own estimate.
    virtual bool MeasureText(const TFont& font, const std::string& text, int& width, int& height) {
        (void)font;
        (void)text;
        (void)width;
        (void)height;
        return false;
    }
    // The native window as other programs know it (given to a screen saver to draw in);
    // 0 when there is none.
    virtual os::HWND NativeHandle() { return 0; }
    // The line of a list under a point of its client area, -1 below the last line; false
    // leaves the list to reckon from its line height.
    virtual bool ItemAtPos(os::TPoint pos, int& index) {
        (void)pos;
        (void)index;
        return false;
    }
    // Raises a shown form above the other windows and activates it.
    virtual void BringToFront() {}
};

// One button of a control that has its peer paint a row of buttons from pictures (the media
// player), in the control's client coordinates.
struct TButtonFace {
    os::TRect Rect;
    std::string Image;  // bitmap resource name
    os::TPoint ImageAt; // top left of the picture
    bool Pressed = false;
    bool Focused = false; // gets the focus rectangle while the control has the focus
    os::TRect FocusRect;
};

// What such a control gives its peer to paint, and takes back from the user. Key codes are
// virtual keys; a key the control handles comes back as 0.
class TPaintedButtons {
public:
    virtual ~TPaintedButtons() = default;
    virtual std::vector<TButtonFace> PaintedFaces() const = 0;
    virtual void PaintedMouseDown(TMouseButton button, TShiftState shift, int x, int y) = 0;
    virtual void PaintedMouseMove(TShiftState shift, int x, int y) = 0;
    virtual void PaintedMouseUp(TMouseButton button, TShiftState shift, int x, int y) = 0;
    virtual void PaintedKeyDown(int& key, TShiftState shift) = 0;
    // Whether the control wants the mouse until the button is released.
    virtual bool PaintedCapture() const = 0;
};

} // namespace ui
