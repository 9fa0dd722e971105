#include "ui/Controls.h"

#include "ui/Forms.h"
#include "ui/PeerFactory.h"

#include <algorithm>

namespace ui {

// ---- TControl ------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this] {
        if (!followingParent_)
            parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    peer_.reset(); // the native side goes first, while the control is still in its parent
    font_.OnChange = nullptr;
    DetachFromParent();
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_)
        return;
    for (const TControl* p = parent; p; p = p->parent_)
        if (p == this)
            throw EInvalidOperation("A control cannot have itself or its child as its parent");
    if (TForm* form = GetParentForm(this); form && form != this)
        form->ControlLeaving(this);
    DetachFromParent();
    parent_ = parent;
    if (parent_) {
        parent_->controls_.push_back(this);
        parent_->ControlInserted(*this);
    }
    if (parentFont_)
        ApplyParentFont();
    Changed(TProperty::Parent);
    // A control put into a container that has its native side gets one too.
    if (parent_ && parent_->Peer() && !Peer())
        CreatePeers(*this);
    if (parent_ && align_ != TAlign::alNone)
        parent_->Realign();
}

void TControl::DetachFromParent() {
    TWinControl* old = parent_;
    if (!old)
        return;
    std::erase(old->controls_, this);
    parent_ = nullptr;
    old->ControlRemoved(*this);
    if (align_ != TAlign::alNone)
        old->Realign();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = width < 0 ? 0 : width;
    height = height < 0 ? 0 : height;
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Changed(TProperty::Bounds);
    BoundsChanged();
    if (parent_ && align_ != TAlign::alNone)
        parent_->Realign();
}

void TControl::SetAlign(TAlign align) {
    if (align == align_)
        return;
    align_ = align;
    if (parent_)
        parent_->Realign();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_)
        return;
    visible_ = visible;
    Changed(TProperty::Visible);
    if (parent_ && align_ != TAlign::alNone)
        parent_->Realign();
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Changed(TProperty::Enabled);
}

void TControl::SetHint(const std::string& hint) {
    if (hint == hint_)
        return;
    hint_ = hint;
    Changed(TProperty::Hint);
}

void TControl::SetShowHint(bool showHint) {
    if (showHint == showHint_)
        return;
    showHint_ = showHint;
    Changed(TProperty::ShowHint);
}

void TControl::SetParentFont(bool parentFont) {
    if (parentFont == parentFont_)
        return;
    parentFont_ = parentFont;
    if (parentFont_)
        ApplyParentFont();
}

void TControl::ApplyParentFont() {
    if (!parent_)
        return;
    followingParent_ = true;
    font_.Assign(parent_->font_);
    followingParent_ = false;
}

void TControl::SetColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
    Changed(TProperty::Color);
}

void TControl::SetCursor(TCursor cursor) {
    if (cursor == cursor_)
        return;
    cursor_ = cursor;
    Changed(TProperty::Cursor);
}

void TControl::SetCaption(const std::string& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    Changed(TProperty::Caption);
    CaptionChanged();
}

void TControl::Click() {
    if (OnClick) {
        auto handler = OnClick; // the handler may destroy this control
        handler(this);
    } else {
        actionLink_.Execute();
    }
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) {
        auto handler = OnMouseMove;
        handler(this, shift, x, y);
    }
}

void TControl::MouseEnter() {
    if (OnMouseEnter) {
        auto handler = OnMouseEnter;
        handler(this);
    }
}

void TControl::MouseLeave() {
    if (OnMouseLeave) {
        auto handler = OnMouseLeave;
        handler(this);
    }
}

void TControl::Changed(TProperty property) {
    if (peer_)
        peer_->PropertyChanged(*this, property);
}

void TControl::FontChanged() {
    Changed(TProperty::Font);
}

// ---- TWinControl ---------------------------------------------------------------------------

TWinControl::~TWinControl() {
    if (TForm* form = GetParentForm(this); form && form != this)
        form->ControlLeaving(this);
    // Children stay alive (their owner destroys them); they only lose their parent.
    auto children = std::move(controls_);
    controls_.clear();
    for (TControl* child : children) {
        child->parent_ = nullptr;
        child->Changed(TProperty::Parent);
    }
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return controls_[static_cast<std::size_t>(index)];
}

void TWinControl::SetTabStop(bool tabStop) {
    if (tabStop == tabStop_)
        return;
    tabStop_ = tabStop;
    Changed(TProperty::TabStop);
}

bool TWinControl::CanFocus() const {
    const TForm* form = GetParentForm(this);
    if (!form)
        return false;
    for (const TControl* c = this; c != form; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

bool TWinControl::Focused() const {
    const TForm* form = GetParentForm(this);
    return form && form->ActiveControl() == this;
}

void TWinControl::SetFocus() {
    TForm* form = GetParentForm(this);
    if (!form)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    form->SetActiveControl(this);
}

void TWinControl::DoEnter() {
    if (OnEnter) {
        auto handler = OnEnter;
        handler(this);
    }
}

void TWinControl::DoExit() {
    if (OnExit) {
        auto handler = OnExit;
        handler(this);
    }
}

void TWinControl::FontChanged() {
    TControl::FontChanged();
    for (TControl* child : controls_)
        if (child->parentFont_)
            child->ApplyParentFont();
}

void TWinControl::BoundsChanged() {
    Realign();
}

os::HWND TWinControl::Handle() const {
    return Peer() ? Peer()->NativeHandle() : 0;
}

void TWinControl::Realign() {
    if (aligning_)
        return;
    aligning_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{aligning_};

    TRect r = ClientRect();
    auto extent = [](int from, int to) { return to > from ? to - from : 0; };
    for (TAlign align :
         {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
        // By index: placing a child may run code that changes this list.
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            TControl* c = controls_[i];
            if (c->align_ != align || !c->visible_)
                continue;
            switch (align) {
            case TAlign::alTop:
                c->SetBounds(r.Left, r.Top, extent(r.Left, r.Right), c->height_);
                r.Top += c->height_;
                break;
            case TAlign::alBottom:
                c->SetBounds(r.Left, r.Bottom - c->height_, extent(r.Left, r.Right), c->height_);
                r.Bottom -= c->height_;
                break;
            case TAlign::alLeft:
                c->SetBounds(r.Left, r.Top, c->width_, extent(r.Top, r.Bottom));
                r.Left += c->width_;
                break;
            case TAlign::alRight:
                c->SetBounds(r.Right - c->width_, r.Top, c->width_, extent(r.Top, r.Bottom));
                r.Right -= c->width_;
                break;
            case TAlign::alClient:
                c->SetBounds(r.Left, r.Top, extent(r.Left, r.Right), extent(r.Top, r.Bottom));
                break;
            case TAlign::alNone:
                break;
            }
        }
    }
}

} // namespace ui
