#include "ui/ActnList.h"

#include "ui/Classes.h"

#include <algorithm>

namespace ui {

// ---- TActionLink ---------------------------------------------------------------------------

TActionLink::~TActionLink() {
    if (action_)
        std::erase(action_->links_, this);
}

void TActionLink::SetAction(TBasicAction* action) {
    if (action == action_)
        return;
    if (action_)
        std::erase(action_->links_, this);
    action_ = action;
    if (action_) {
        action_->links_.push_back(this);
        action_->ApplyTo(*this);
    }
}

bool TActionLink::Execute() {
    return action_ ? action_->Execute() : false;
}

// ---- TBasicAction --------------------------------------------------------------------------

TBasicAction::~TBasicAction() {
    // Clients keep what they show; they just lose the link.
    for (TActionLink* link : links_)
        link->action_ = nullptr;
}

bool TBasicAction::Execute() {
    if (!OnExecute)
        return false;
    auto handler = OnExecute; // the handler may replace OnExecute or destroy the action
    handler(this);
    return true;
}

// ---- TCustomAction -------------------------------------------------------------------------

TCustomAction::~TCustomAction() {
    SetActionList(nullptr);
}

void TCustomAction::SetCaption(const std::string& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    ForEachLink([&](TActionLink& link) { link.SetCaption(caption_); });
}

void TCustomAction::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    ForEachLink([&](TActionLink& link) { link.SetEnabled(enabled_); });
}

void TCustomAction::SetVisible(bool visible) {
    if (visible == visible_)
        return;
    visible_ = visible;
    ForEachLink([&](TActionLink& link) { link.SetVisible(visible_); });
}

void TCustomAction::SetHint(const std::string& hint) {
    if (hint == hint_)
        return;
    hint_ = hint;
    ForEachLink([&](TActionLink& link) { link.SetHint(hint_); });
}

void TCustomAction::SetChecked(bool checked) {
    if (checked == checked_)
        return;
    checked_ = checked;
    ForEachLink([&](TActionLink& link) { link.SetChecked(checked_); });
}

void TCustomAction::SetActionList(TActionList* list) {
    if (list == actionList_)
        return;
    if (actionList_)
        std::erase(actionList_->actions_, this);
    actionList_ = list;
    if (actionList_)
        actionList_->actions_.push_back(this);
}

bool TCustomAction::Execute() {
    return enabled_ && TBasicAction::Execute();
}

void TCustomAction::ApplyTo(TActionLink& link) const {
    link.SetCaption(caption_);
    link.SetEnabled(enabled_);
    link.SetHint(hint_);
    link.SetVisible(visible_);
    link.SetChecked(checked_);
}

// ---- TActionList ---------------------------------------------------------------------------

TActionList::~TActionList() {
    for (TCustomAction* action : actions_)
        action->actionList_ = nullptr;
}

TCustomAction* TActionList::Actions(int index) const {
    if (index < 0 || index >= ActionCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return actions_[static_cast<std::size_t>(index)];
}

} // namespace ui
