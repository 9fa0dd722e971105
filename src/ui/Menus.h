// Menu items and popup menus.
#pragma once

#include "ui/ActnList.h"
#include "ui/Component.h"

#include <string>
#include <vector>

namespace ui {

// One entry of a menu; it may hold entries of its own. A caption of "-" makes a separator.
// The item's owner destroys it; the item it sits in only lists it.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    bool IsLine() const { return caption_ == "-"; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked) { checked_ = checked; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    // The default item is shown bold; at most one item of a menu is default.
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);

    // A linked action gives the item its caption, enabled state, hint, visibility and check.
    TBasicAction* Action() const { return actionLink_.Action(); }
    void SetAction(TBasicAction* action) { actionLink_.SetAction(action); }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const;
    // Adds an item at the end (or at a position); an item in another menu moves here.
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    TMenuItem* Parent() const { return parent_; }
    // Position in the parent item; -1 without one.
    int MenuIndex() const;

    // Choosing the item: nothing when disabled; else OnClick, or the action without one.
    virtual void Click();

    TNotifyEvent OnClick;

private:
    class TMenuActionLink : public TActionLink {
    public:
        explicit TMenuActionLink(TMenuItem& item) : item_(item) {}
        void SetCaption(const std::string& caption) override { item_.SetCaption(caption); }
        void SetEnabled(bool enabled) override { item_.SetEnabled(enabled); }
        void SetHint(const std::string& hint) override { item_.SetHint(hint); }
        void SetVisible(bool visible) override { item_.SetVisible(visible); }
        void SetChecked(bool checked) override { item_.SetChecked(checked); }

    private:
        TMenuItem& item_;
    };

    std::string caption_;
    std::string hint_;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    bool default_ = false;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    TMenuActionLink actionLink_{*this};
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);

    // The unnamed root item whose entries are the menu's top level.
    TMenuItem* Items() const { return items_; }

private:
    TMenuItem* items_; // owned by the menu
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}

    // Whether the controls and icons that use this menu open it by themselves.
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }
    // The component that opened the menu last; nullptr once it is destroyed.
    TComponent* PopupComponent() const { return popupComponent_.Get(); }
    void SetPopupComponent(TComponent* component) { popupComponent_ = component; }

    // Runs OnPopup, then shows the visible top-level items at a screen point and clicks the
    // one chosen. Returns when the menu closes. Without a platform nothing is shown.
    void Popup(int x, int y);

    TNotifyEvent OnPopup;

private:
    bool autoPopup_ = true;
    TComponentRef<TComponent> popupComponent_;
};

} // namespace ui
