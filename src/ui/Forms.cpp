#include "ui/Forms.h"

#include "ui/PeerFactory.h"

namespace ui {

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    // A form is made hidden and keeps its own font.
    SetVisible(false);
    SetParentFont(false);
    SetClientWidth(320);
    SetClientHeight(240);
}

TForm::~TForm() {
    DestroyComponents();
}

TPoint TForm::FrameExtent() const {
    switch (borderStyle_) {
    case TBorderStyle::bsNone:
        return {0, 0};
    case TBorderStyle::bsToolWindow:
    case TBorderStyle::bsSizeToolWin:
        return {6, 6 + 15};
    default:
        return {6, 6 + 19};
    }
}

int TForm::ClientWidth() const {
    const int width = Width() - FrameExtent().X;
    return width < 0 ? 0 : width;
}

int TForm::ClientHeight() const {
    const int height = Height() - FrameExtent().Y;
    return height < 0 ? 0 : height;
}

void TForm::SetClientWidth(int width) {
    SetWidth(width + FrameExtent().X);
}

void TForm::SetClientHeight(int height) {
    SetHeight(height + FrameExtent().Y);
}

void TForm::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_)
        return;
    const int clientWidth = ClientWidth();
    const int clientHeight = ClientHeight();
    borderStyle_ = style;
    Changed(TProperty::BorderStyle);
    SetBounds(Left(), Top(), clientWidth + FrameExtent().X, clientHeight + FrameExtent().Y);
}

void TForm::SetBorderIcons(TBorderIcons icons) {
    if (icons == borderIcons_)
        return;
    borderIcons_ = icons;
    Changed(TProperty::BorderStyle);
}

void TForm::SetActiveControl(TWinControl* control) {
    if (control == activeControl_)
        return;
    if (control && (control == this || GetParentForm(control) != this || !control->CanFocus()))
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    TWinControl* old = activeControl_;
    if (old)
        old->DoExit(); // may raise, and the focus stays where it was
    activeControl_ = control;
    if (control) {
        control->Changed(TProperty::Focus);
        control->DoEnter();
    }
}

void TForm::ControlLeaving(const TControl* control) {
    for (const TControl* c = activeControl_; c; c = c->Parent())
        if (c == control) {
            activeControl_ = nullptr;
            return;
        }
}

void TForm::DoCreate() {
    if (created_)
        return;
    created_ = true;
    CreatePeers(*this); // OnCreate lays out with the real fonts
    if (OnCreate) {
        auto handler = OnCreate;
        handler(this);
    }
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) {
        auto handler = OnCloseQuery;
        handler(this, canClose);
    }
    return canClose;
}

void TForm::Close() {
    auto alive = LifeToken();
    if (!CloseQuery() || alive.expired())
        return;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) {
        auto handler = OnClose;
        handler(this, action);
        if (alive.expired())
            return;
    }
    if (action == TCloseAction::caHide)
        Hide();
}

TModalResult TForm::ShowModal() {
    if (Visible())
        throw EInvalidOperation("Cannot make a visible window modal");
    CreatePeers(*this);
    modalResult_ = mrNone;
    auto alive = LifeToken();
    Show();
    if (TPeerFactory* factory = PeerFactory(); factory && Visible())
        factory->RunModal(*this);
    if (alive.expired())
        return mrCancel;
    if (Visible())
        Hide(); // the loop ended without a close: the program is quitting
    if (modalResult_ == mrNone)
        modalResult_ = mrCancel;
    return modalResult_;
}

void TForm::BringToFront() {
    if (Peer() && Visible())
        Peer()->BringToFront();
}

TForm* GetParentForm(const TControl* control) {
    if (!control)
        return nullptr;
    while (control->Parent())
        control = control->Parent();
    return dynamic_cast<TForm*>(const_cast<TControl*>(control));
}

} // namespace ui
