// Forms: the top-level windows that own and hold a window's components.
#pragma once

#include "ui/Controls.h"

#include <memory>
#include <utility>

namespace ui {

enum class TCloseAction { caNone, caHide };
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    // Destroys the owned components while the form is still whole, so their destructors and
    // notifications meet a complete form.
    ~TForm() override;

    using TControl::Caption;
    using TControl::SetCaption;

    // The client area; the outer size follows from it and the border.
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientWidth(int width) override;
    void SetClientHeight(int height) override;

    TBorderStyle BorderStyle() const { return borderStyle_; }
    // Keeps the client area's size.
    void SetBorderStyle(TBorderStyle style);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }

    // The control that has (or will have, once shown) the keyboard focus.
    TWinControl* ActiveControl() const { return activeControl_; }
    // EInvalidOperation for a control that is not on this form or cannot have the focus.
    void SetActiveControl(TWinControl* control);

    // Gives the form and its controls their native peers, then runs OnCreate, once: call it
    // when the form and its components are complete.
    void DoCreate();
    // Asks OnCloseQuery whether the form may close.
    bool CloseQuery();
    // Asks, runs OnClose (which may veto with caNone), then hides the form.
    void Close();

    // Shows the form and handles messages until it is hidden again (by Close); timers and
    // other windows go on working meanwhile. Returns ModalResult, mrCancel when nothing set
    // it. EInvalidOperation for a form that is shown already.
    TModalResult ShowModal();
    // Raises the shown form above the other windows.
    void BringToFront();

    TNotifyEvent OnCreate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

private:
    friend class TControl;
    friend class TWinControl;
    // Forgets the active control if it is this control or inside it: it is leaving the form.
    void ControlLeaving(const TControl* control);
    // Width and height the border and caption bar add to the client area, nominal values
    // until a peer shows the form.
    TPoint FrameExtent() const;

    TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = TPosition::poDesigned;
    TModalResult modalResult_ = mrNone;
    TWinControl* activeControl_ = nullptr;
    bool created_ = false;
};

// The form a control is on (a form is on itself); nullptr when it is on none.
TForm* GetParentForm(const TControl* control);

// Makes a form without an owner and runs its OnCreate once it is complete.
template <class TF, class... Args>
std::unique_ptr<TF> CreateForm(Args&&... args) {
    auto form = std::make_unique<TF>(std::forward<Args>(args)...);
    form->DoCreate();
    return form;
}

} // namespace ui
