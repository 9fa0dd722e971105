#include "ui/ComCtrls.h"

#include <algorithm>

namespace ui {

// ---- TTabSheet -----------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {}

// Leaves the page control while still a whole tab sheet.
TTabSheet::~TTabSheet() {
    SetParent(nullptr);
}

TPageControl* TTabSheet::PageControl() const {
    return dynamic_cast<TPageControl*>(Parent());
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    SetParent(pageControl);
}

int TTabSheet::PageIndex() const {
    const TPageControl* control = PageControl();
    if (!control)
        return -1;
    const auto& pages = control->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
    TPageControl* control = PageControl();
    if (!control)
        return;
    auto& pages = control->pages_;
    const int last = static_cast<int>(pages.size()) - 1;
    index = index < 0 ? 0 : (index > last ? last : index);
    const int current = PageIndex();
    if (index == current)
        return;
    pages.erase(pages.begin() + current);
    pages.insert(pages.begin() + index, this);
    control->Changed(TProperty::PageIndex);
}

// ---- TPageControl --------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
}

TTabSheet* TPageControl::Pages(int index) const {
    if (index < 0 || index >= PageCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return pages_[static_cast<std::size_t>(index)];
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page == activePage_)
        return;
    if (page && std::find(pages_.begin(), pages_.end(), page) == pages_.end())
        return;
    TTabSheet* old = activePage_;
    activePage_ = page;
    if (old)
        old->Hide();
    if (page)
        page->Show();
    Changed(TProperty::ActivePage);
}

int TPageControl::ActivePageIndex() const {
    return activePage_ ? activePage_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)]
                                                    : nullptr);
}

void TPageControl::SelectPageByUser(int index) {
    SetActivePageIndex(index);
    if (OnChange) {
        auto handler = OnChange;
        handler(this);
    }
}

TRect TPageControl::DisplayRect() const {
    if (measured_)
        return displayRect_;
    // A frame of 4 pixels and a row of tabs 20 pixels high.
    return {4, 24, Width() > 4 ? Width() - 4 : 4, Height() > 24 ? Height() - 4 : 24};
}

void TPageControl::SetDisplayRect(const TRect& rect) {
    measured_ = true;
    displayRect_ = rect;
    PlacePages();
}

void TPageControl::PlacePages() {
    const TRect r = DisplayRect();
    for (TTabSheet* page : pages_)
        page->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

void TPageControl::BoundsChanged() {
    TWinControl::BoundsChanged();
    if (!measured_)
        PlacePages();
}

void TPageControl::ControlInserted(TControl& control) {
    auto* page = dynamic_cast<TTabSheet*>(&control);
    if (!page)
        return;
    pages_.push_back(page);
    const TRect r = DisplayRect();
    page->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    Changed(TProperty::PageIndex);
    if (!activePage_)
        SetActivePage(page);
    else
        page->Hide();
}

void TPageControl::ControlRemoved(TControl& control) {
    // Every page listed is whole: a tab sheet leaves in its own destructor.
    auto it = std::find_if(pages_.begin(), pages_.end(),
                           [&](const TTabSheet* p) { return p == &control; });
    if (it == pages_.end())
        return;
    const auto index = static_cast<std::size_t>(it - pages_.begin());
    const bool wasActive = *it == activePage_;
    pages_.erase(it);
    Changed(TProperty::PageIndex);
    if (wasActive) {
        activePage_ = nullptr;
        if (!pages_.empty())
            SetActivePage(pages_[index < pages_.size() ? index : pages_.size() - 1]);
        else
            Changed(TProperty::ActivePage);
    }
}

} // namespace ui
