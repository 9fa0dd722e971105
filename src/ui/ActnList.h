// Actions: named commands with a caption, an enabled state and a handler, shown by the buttons
// and menu items linked to them, and the lists that hold them.
#pragma once

#include "ui/Component.h"

#include <string>
#include <vector>

namespace ui {

class TBasicAction;

// A client's link to its action (a button's, a menu item's). The action pushes its
// properties to the client through the virtual setters; a client overrides those it shows.
class TActionLink {
public:
    TActionLink() = default;
    virtual ~TActionLink();
    TActionLink(const TActionLink&) = delete;
    TActionLink& operator=(const TActionLink&) = delete;

    TBasicAction* Action() const { return action_; }
    // Links to another action (or none) and takes over all of the new action's properties.
    void SetAction(TBasicAction* action);
    // Runs the action; false without one, or when the action did not run.
    bool Execute();

    virtual void SetCaption(const std::string& caption) { (void)caption; }
    virtual void SetEnabled(bool enabled) { (void)enabled; }
    virtual void SetHint(const std::string& hint) { (void)hint; }
    virtual void SetVisible(bool visible) { (void)visible; }
    virtual void SetChecked(bool checked) { (void)checked; }

private:
    friend class TBasicAction;
    TBasicAction* action_ = nullptr;
};

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* owner) : TComponent(owner) {}
    ~TBasicAction() override;

    // Runs OnExecute with the action as sender; false when there is no handler.
    virtual bool Execute();
    int ClientCount() const { return static_cast<int>(links_.size()); }

    TNotifyEvent OnExecute;

protected:
    // Pushes every property to a newly linked client.
    virtual void ApplyTo(TActionLink& link) const { (void)link; }
    // Calls f on every linked client.
    template <class F>
    void ForEachLink(F f) const {
        auto links = links_; // a client may unlink itself in its setter
        for (TActionLink* link : links)
            f(*link);
    }

private:
    friend class TActionLink;
    std::vector<TActionLink*> links_;
};

class TActionList;

// An action with the properties its clients show.
class TCustomAction : public TBasicAction {
public:
    explicit TCustomAction(TComponent* owner) : TBasicAction(owner) {}
    ~TCustomAction() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);

    TActionList* ActionList() const { return actionList_; }
    void SetActionList(TActionList* list);

    // A disabled action does not run.
    bool Execute() override;

protected:
    void ApplyTo(TActionLink& link) const override;

private:
    friend class TActionList;
    std::string caption_;
    std::string hint_;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    TActionList* actionList_ = nullptr;
};

class TAction : public TCustomAction {
public:
    explicit TAction(TComponent* owner) : TCustomAction(owner) {}
};

// Holds a form's actions in the order they joined it.
class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* owner) : TComponent(owner) {}
    ~TActionList() override;

    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TCustomAction* Actions(int index) const;

private:
    friend class TCustomAction;
    std::vector<TCustomAction*> actions_;
};

} // namespace ui
