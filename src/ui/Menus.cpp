#include "ui/Menus.h"

#include "os/Platform.h"
#include "ui/Classes.h"

#include <algorithm>

namespace ui {

// ---- TMenuItem -----------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    if (parent_)
        parent_->Remove(this);
    for (TMenuItem* item : items_)
        item->parent_ = nullptr;
}

void TMenuItem::SetDefault(bool isDefault) {
    if (isDefault && parent_)
        for (TMenuItem* sibling : parent_->items_)
            sibling->default_ = false;
    default_ = isDefault;
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item)
        return;
    for (const TMenuItem* p = this; p; p = p->parent_)
        if (p == item)
            throw EInvalidOperation("A menu item cannot hold itself");
    if (index < 0 || index > Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (item->parent_)
        item->parent_->Remove(item);
    if (index > Count())
        index = Count(); // it was one of ours, before that place
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    if (item->default_)
        item->SetDefault(true); // the newcomer stays the one default
}

void TMenuItem::Remove(TMenuItem* item) {
    if (!item || item->parent_ != this)
        return;
    std::erase(items_, item);
    item->parent_ = nullptr;
}

int TMenuItem::MenuIndex() const {
    if (!parent_)
        return -1;
    const auto& siblings = parent_->items_;
    return static_cast<int>(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
}

void TMenuItem::Click() {
    if (!enabled_)
        return;
    if (OnClick) {
        auto handler = OnClick;
        handler(this);
    } else {
        actionLink_.Execute();
    }
}

// ---- TMenu and TPopupMenu ------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

void TPopupMenu::Popup(int x, int y) {
    auto alive = LifeToken();
    if (OnPopup) {
        auto handler = OnPopup;
        handler(this);
        if (alive.expired())
            return;
    }
    if (!os::Installed())
        return; // headless: there is no screen to show it on

    std::vector<os::MenuEntry> entries;
    std::vector<TComponentRef<TMenuItem>> shown;
    const TMenuItem* root = Items();
    for (int i = 0; i < root->Count(); ++i) {
        TMenuItem* item = root->Items(i);
        if (!item->Visible())
            continue;
        shown.emplace_back(item);
        os::MenuEntry entry;
        entry.Separator = item->IsLine();
        entry.Command = entry.Separator ? 0 : static_cast<int>(shown.size());
        entry.Caption = item->Caption();
        entry.Enabled = item->Enabled();
        entry.Default = item->Default();
        entries.push_back(entry);
    }
    os::Platform& platform = os::Current();
    const int chosen =
        platform.GetShell().TrackPopupMenu(entries, {x, y}, platform.Loop().ApplicationWindow());
    // The menu ran a message loop: the chosen item (or this menu) may be gone by now.
    if (chosen < 1 || chosen > static_cast<int>(shown.size()))
        return;
    if (TMenuItem* item = shown[static_cast<std::size_t>(chosen - 1)].Get())
        item->Click();
}

} // namespace ui
