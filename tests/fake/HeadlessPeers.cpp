#include "HeadlessPeers.h"

#include "ui/Forms.h"

#include <algorithm>

namespace fake {

void HeadlessPeer::PropertyChanged(ui::TControl& /*control*/, ui::TProperty property) {
    Changes.push_back(property);
}

void HeadlessPeer::BringToFront() {
    factory_.BroughtToFront.push_back(control_.Name());
}

std::unique_ptr<ui::TControlPeer> HeadlessPeerFactory::CreatePeer(ui::TControl& control) {
    ++PeersMade;
    return std::make_unique<HeadlessPeer>(*this, control, nextHandle_++);
}

void HeadlessPeerFactory::RunModal(ui::TForm& form) {
    ++ModalRuns;
    auto alive = form.LifeToken();
    if (WhileModal) {
        auto script = WhileModal; // the script may replace itself
        script(form);
    }
    if (!alive.expired() && form.Visible())
        form.Close();
}

std::vector<os::HWND> HeadlessPeerFactory::ChildrenOf(os::HWND parent) const {
    auto it = children_.find(parent);
    return it != children_.end() ? it->second : std::vector<os::HWND>{};
}

std::vector<os::HWND> HeadlessPeerFactory::EnumChildWindows(os::HWND parent) {
    std::vector<os::HWND> all;
    for (os::HWND child : ChildrenOf(parent)) {
        all.push_back(child);
        auto below = EnumChildWindows(child);
        all.insert(all.end(), below.begin(), below.end());
    }
    return all;
}

bool HeadlessPeerFactory::IsWindowVisible(os::HWND window) {
    auto it = visible_.find(window);
    return it != visible_.end() && it->second;
}

void HeadlessPeerFactory::CloseWindow(os::HWND window) {
    CloseRequests.push_back(window);
    // A preview window ends its program when asked to close, and goes with its children.
    for (auto& [parent, list] : children_)
        std::erase(list, window);
    Forget(window);
}

void HeadlessPeerFactory::Forget(os::HWND window) {
    for (os::HWND child : ChildrenOf(window))
        Forget(child);
    children_.erase(window);
    visible_.erase(window);
}

os::HWND HeadlessPeerFactory::AddChildWindow(os::HWND parent, bool visible) {
    os::HWND window = nextHandle_++;
    children_[parent].push_back(window);
    visible_[window] = visible;
    return window;
}

} // namespace fake
