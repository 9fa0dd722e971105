// Page controls and their tab sheets.
#pragma once

#include "ui/Controls.h"

#include <vector>

namespace ui {

class TPageControl;

// One page of a page control; it belongs to the page control that is its parent.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    using TControl::Caption;
    using TControl::SetCaption;

    TPageControl* PageControl() const;
    void SetPageControl(TPageControl* pageControl);
    // Position among the page control's pages; -1 on none. Setting it moves the page.
    int PageIndex() const;
    void SetPageIndex(int index);
};

// Pages with tabs, one of them shown (the active page; the others are hidden).
class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const { return activePage_; }
    // A page of another page control is ignored. The program's change raises no OnChange.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    // -1 or an index past the end shows no page.
    void SetActivePageIndex(int index);

    // The user's click on a tab: shows the page, then OnChange.
    void SelectPageByUser(int index);

    // Where the pages lie: inside the frame, below the tabs. Nominal until the peer, which
    // knows the real tabs, sets it.
    TRect DisplayRect() const;
    void SetDisplayRect(const TRect& rect);

    TNotifyEvent OnChange;

protected:
    void BoundsChanged() override;
    void ControlInserted(TControl& control) override;
    void ControlRemoved(TControl& control) override;

private:
    friend class TTabSheet;
    void PlacePages();

    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
    bool measured_ = false;
    TRect displayRect_;
};

} // namespace ui
