#include "ui/Component.h"

#include "ui/Classes.h"

#include <algorithm>

namespace ui {

namespace {

bool IsValidIdent(const std::string& name) {
    auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    if (name.empty() || !letter(name[0]))
        return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

} // namespace

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_)
        owner_->components_.emplace_back(this);
}

TComponent::~TComponent() {
    BeginDestroy();
    life_.reset();
    auto notifies = std::move(freeNotifies_);
    freeNotifies_.clear();
    for (TComponent* other : notifies) {
        std::erase(other->freeNotifies_, this);
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (owner_)
        owner_->Release(this);
}

void TComponent::SetName(const std::string& name) {
    if (name == name_)
        return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError("'" + name + "' is not a valid component name");
    if (!name.empty() && owner_) {
        TComponent* same = owner_->FindComponent(name);
        if (same && same != this)
            throw EComponentError("A component named " + name + " already exists");
    }
    name_ = name;
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<std::size_t>(index)].get();
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty())
        return nullptr;
    for (const auto& component : components_)
        if (SameText(component->name_, name))
            return component.get();
    return nullptr;
}

int TComponent::ComponentIndex() const {
    if (!owner_)
        return -1;
    const auto& list = owner_->components_;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this)
        return;
    // Both sides keep the link, so whichever goes first can tell the other.
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end())
        freeNotifies_.push_back(other);
    if (std::find(other->freeNotifies_.begin(), other->freeNotifies_.end(), this) ==
        other->freeNotifies_.end())
        other->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other)
        return;
    std::erase(freeNotifies_, other);
    std::erase(other->freeNotifies_, this);
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        std::unique_ptr<TComponent> last = std::move(components_.back());
        components_.pop_back();
        last->owner_ = nullptr;
        last->BeginDestroy();
        TComponent* gone = last.get();
        last.reset();
        Notification(gone, TOperation::opRemove);
    }
}

void TComponent::BeginDestroy() {
    if (destroying_)
        return;
    destroying_ = true;
    for (const auto& component : components_)
        component->BeginDestroy();
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove)
        std::erase(freeNotifies_, component);
    // By index: a handler that takes a component out must not leave a dangling iterator.
    for (std::size_t i = 0; i < components_.size(); ++i) {
        TComponent* c = components_[i].get();
        if (c != component)
            c->Notification(component, operation);
    }
}

void TComponent::Release(TComponent* component) {
    auto it = std::find_if(components_.begin(), components_.end(),
                           [&](const auto& c) { return c.get() == component; });
    if (it == components_.end())
        return;
    (void)it->release(); // the component is destroying itself
    components_.erase(it);
    component->owner_ = nullptr;
    Notification(component, TOperation::opRemove);
}

} // namespace ui
