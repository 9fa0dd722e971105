// Visual components: TControl (bounds, visibility, font, colour, events, an action link and
// a native peer) and TWinControl (a control that holds child controls and can take the focus).
#pragma once

#include "os/Types.h"
#include "ui/ActnList.h"
#include "ui/Classes.h"
#include "ui/Component.h"
#include "ui/ControlTypes.h"
#include "ui/Graphics.h"
#include "ui/Peer.h"

#include <memory>
#include <string>
#include <vector>

namespace ui {

using os::TPoint;
using os::TRect;

using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;

class TWinControl;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    // The control this one is shown in; nullptr for none. The parent does not own its
    // children: the owner does.
    TWinControl* Parent() const { return parent_; }
    void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    // Negative sizes become 0.
    void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }
    virtual void SetClientWidth(int width) { SetWidth(width); }
    virtual void SetClientHeight(int height) { SetHeight(height); }
    TRect ClientRect() const { return {0, 0, ClientWidth(), ClientHeight()}; }
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool showHint);

    // Changing the font stops it following the parent's.
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);

    // A linked action gives the control its caption, enabled state, hint and visibility, and
    // runs when the control is clicked (unless the control has its own OnClick).
    TBasicAction* Action() const { return actionLink_.Action(); }
    void SetAction(TBasicAction* action) { actionLink_.SetAction(action); }

    TControlPeer* Peer() const { return peer_.get(); }
    void SetPeer(std::unique_ptr<TControlPeer> peer) {
        peer_ = std::move(peer);
        PeerChanged();
    }

    // User actions, as the peer reports them (and for tests).
    virtual void Click();
    void MouseMove(TShiftState shift, int x, int y);
    void MouseEnter();
    void MouseLeave();

    TNotifyEvent OnClick;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // The text a control shows; kinds that have a caption make these public.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    // Tells the peer, if there is one.
    void Changed(TProperty property);
    // Hooks for kinds that react to their own changes.
    virtual void CaptionChanged() {}
    virtual void FontChanged();
    virtual void BoundsChanged() {}
    virtual void ActionCheckedChanged(bool checked) { (void)checked; }
    // The control got (or lost) its native side: what it measures may have changed.
    virtual void PeerChanged() {}

private:
    friend class TWinControl;
    class TControlActionLink : public TActionLink {
    public:
        explicit TControlActionLink(TControl& control) : control_(control) {}
        void SetCaption(const std::string& caption) override { control_.SetCaption(caption); }
        void SetEnabled(bool enabled) override { control_.SetEnabled(enabled); }
        void SetHint(const std::string& hint) override { control_.SetHint(hint); }
        void SetVisible(bool visible) override { control_.SetVisible(visible); }
        void SetChecked(bool checked) override { control_.ActionCheckedChanged(checked); }

    private:
        TControl& control_;
    };

    void ApplyParentFont();
    void DetachFromParent();

    std::unique_ptr<TControlPeer> peer_;
    TWinControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    TAlign align_ = TAlign::alNone;
    bool visible_ = true;
    bool enabled_ = true;
    std::string caption_;
    std::string hint_;
    bool showHint_ = false;
    TFont font_;
    bool parentFont_ = true;
    bool followingParent_ = false;
    TColor color_ = clBtnFace;
    TCursor cursor_ = TCursor::crDefault;
    TControlActionLink actionLink_{*this};
};

// A control drawn inside its parent's window, without a window or focus of its own.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
};

class TForm;

// A control that holds child controls and can have the focus.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner) : TControl(owner) {}
    ~TWinControl() override;

    // Child controls in the order they were given this parent.
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop);

    // Visible and enabled up to its form (the form itself need not be shown yet).
    bool CanFocus() const;
    bool Focused() const;
    // Makes this the active control of its form: the old one gets OnExit, this one OnEnter.
    // EInvalidOperation when it cannot have the focus or is on no form.
    void SetFocus();

    // Puts the aligned children in their places within the client area.
    void Realign();

    // The native window of the control's peer; 0 without one.
    os::HWND Handle() const;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    friend class TForm;
    // Focus arrives and leaves; kinds add their own reaction and call these.
    virtual void DoEnter();
    virtual void DoExit();
    // A child joined or left this control.
    virtual void ControlInserted(TControl& control) { (void)control; }
    virtual void ControlRemoved(TControl& control) { (void)control; }
    void FontChanged() override;
    void BoundsChanged() override;

private:
    friend class TControl;
    std::vector<TControl*> controls_;
    bool tabStop_ = false;
    bool aligning_ = false;
};

} // namespace ui
