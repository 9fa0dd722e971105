// The base of every component: a name, an owner that destroys it, the components it owns in
// creation order, and notice when a component it refers to goes away.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class TComponent;

using TNotifyEvent = std::function<void(TComponent* sender)>;

enum class TOperation { opRemove };

class TComponent {
public:
    // A component made with an owner is owned by it from this moment on: the owner destroys it
    // when the owner is destroyed. Without an owner, whoever made it destroys it.
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    // Empty, or a letter or underscore followed by letters, digits and underscores, unique
    // (letter case ignored) among the owner's components; otherwise EComponentError.
    void SetName(const std::string& name);

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // The owned components in the order they were made.
    TComponent* Components(int index) const;
    // The owned component of that name, letter case ignored; nullptr when none has it.
    TComponent* FindComponent(std::string_view name) const;
    // Position in the owner's list; -1 without an owner.
    int ComponentIndex() const;

    // Asks for Notification(this, opRemove) on `other` when this component is destroyed;
    // for references that cross owners. Components of one owner hear of each other anyway.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Destroys the owned components, the last made first.
    void DestroyComponents();
    bool Destroying() const { return destroying_; }

    // A handle that tells whether this component still exists; for code that runs a nested
    // message loop and must not touch the component if a handler destroyed it meanwhile.
    std::weak_ptr<void> LifeToken() const { return life_; }

    // Free-form value for the program's own use.
    long long Tag = 0;

protected:
    // Called when a component this one may refer to is being destroyed: any component of the
    // same owner (the owner passes the notice down to all it owns) or one registered with
    // FreeNotification. The default passes the notice to the owned components. The component
    // named is past its own destructor body: compare the pointer, do not call into it.
    virtual void Notification(TComponent* component, TOperation operation);
    // Marks this component and what it owns as being destroyed.
    void BeginDestroy();

private:
    void Release(TComponent* component); // takes an owned component out without destroying it

    std::string name_;
    TComponent* owner_ = nullptr;
    std::vector<std::unique_ptr<TComponent>> components_;
    std::vector<TComponent*> freeNotifies_;
    std::shared_ptr<char> life_ = std::make_shared<char>();
    bool destroying_ = false;
};

// Makes a named component owned by `owner`; the owner destroys it.
template <class T, class... Args>
T* NewComponent(TComponent& owner, const std::string& name, Args&&... args) {
    T* component = new T(&owner, std::forward<Args>(args)...); // owned from here on
    try {
        component->SetName(name);
    } catch (...) {
        delete component; // takes itself out of the owner's list
        throw;
    }
    return component;
}

// A non-owning pointer that becomes null once its component is destroyed.
template <class T>
class TComponentRef {
public:
    TComponentRef() = default;
    TComponentRef(T* component) // NOLINT(google-explicit-constructor): a pointer, made safe
        : component_(component), life_(component ? component->LifeToken() : std::weak_ptr<void>()) {
    }
    T* Get() const { return life_.expired() ? nullptr : component_; }
    explicit operator bool() const { return Get() != nullptr; }
    T* operator->() const { return Get(); }

private:
    T* component_ = nullptr;
    std::weak_ptr<void> life_;
};

} // namespace ui
