#include "FakePlatform.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"
#include "ui/StdCtrls.h"
#include "ui/Timers.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace ui;

namespace {

struct Pages {
    TForm form{nullptr};
    TPageControl* control = NewComponent<TPageControl>(form, "PageControl");
    std::vector<TTabSheet*> sheets;
    Pages() {
        control->SetParent(&form);
        for (const char* name : {"TabSheet0", "TabSheet1", "TabSheet2", "TabSheet3"}) {
            sheets.push_back(NewComponent<TTabSheet>(form, name));
            sheets.back()->SetPageControl(control);
        }
    }
};

} // namespace

TEST(PageControlTest, PagesKeepTheirOrderAndOnlyTheActiveOneShows) {
    Pages p;
    ASSERT_EQ(p.control->PageCount(), 4);
    EXPECT_EQ(p.sheets[2]->PageIndex(), 2);
    EXPECT_EQ(p.control->ActivePageIndex(), 0); // the first page shows from the start
    EXPECT_TRUE(p.sheets[0]->Visible());
    EXPECT_FALSE(p.sheets[1]->Visible());

    p.control->SetActivePageIndex(3);
    EXPECT_EQ(p.control->ActivePage(), p.sheets[3]);
    EXPECT_FALSE(p.sheets[0]->Visible());
    EXPECT_TRUE(p.sheets[3]->Visible());

    p.sheets[3]->SetPageIndex(0);
    EXPECT_EQ(p.control->Pages(0), p.sheets[3]);
    EXPECT_EQ(p.sheets[0]->PageIndex(), 1);
    EXPECT_EQ(p.control->ActivePageIndex(), 0);

    p.control->SetActivePageIndex(7);
    EXPECT_EQ(p.control->ActivePage(), nullptr);
}

TEST(PageControlTest, OnlyTheUsersChangeOfPageRaisesOnChange) {
    Pages p;
    std::vector<int> seen;
    p.control->OnChange = [&](TComponent*) { seen.push_back(p.control->ActivePageIndex()); };
    p.control->SetActivePageIndex(2);
    p.control->SelectPageByUser(1);
    EXPECT_EQ(seen, (std::vector<int>{1}));
}

TEST(PageControlTest, DestroyingTheActivePageShowsTheNextOne) {
    Pages p;
    p.control->SetActivePageIndex(1);
    delete p.sheets[1];
    EXPECT_EQ(p.control->PageCount(), 3);
    EXPECT_EQ(p.control->ActivePage(), p.sheets[2]);
    EXPECT_TRUE(p.sheets[2]->Visible());
    // A page of another page control cannot be made active here.
    TForm other(nullptr);
    auto* foreign = NewComponent<TTabSheet>(other, "Foreign");
    p.control->SetActivePage(foreign);
    EXPECT_EQ(p.control->ActivePage(), p.sheets[2]);
}

TEST(PageControlTest, ControlsOnHiddenPagesCannotTakeTheFocus) {
    Pages p;
    auto* list = NewComponent<TListBox>(p.form, "LBMusic");
    list->SetParent(p.sheets[1]);
    EXPECT_FALSE(list->CanFocus());
    p.control->SetActivePageIndex(1);
    EXPECT_TRUE(list->CanFocus());
}

TEST(ImageListTest, ResourceFramesLoadOnDemandAndAreDestroyedWithTheList) {
    fake::FakePlatform platform;
    platform.Shell_.MissingIcons.insert("TRAY2");
    {
        TForm form(nullptr);
        auto* images = NewComponent<TImageList>(form, "ImageList");
        for (int i = 0; i < 3; ++i)
            images->AddResource("TRAY" + std::to_string(i));
        EXPECT_EQ(images->Count(), 3);
        EXPECT_TRUE(platform.Shell_.Icons.empty());
        const os::HICON first = images->GetIcon(0);
        ASSERT_NE(first, 0u);
        EXPECT_EQ(platform.Shell_.Icons.at(first), "TRAY0");
        EXPECT_EQ(images->GetIcon(0), first); // loaded once
        EXPECT_EQ(images->GetIcon(2), 0u);    // missing resource
        EXPECT_EQ(images->GetIcon(3), 0u);    // no such frame
        EXPECT_EQ(images->ResourceName(1), "TRAY1");

        const os::HICON given = platform.Shell_.LoadIconResource("MAINICON");
        EXPECT_EQ(images->AddIcon(given), 3);
        EXPECT_EQ(images->GetIcon(3), given);
        images->Delete(0);
        EXPECT_EQ(platform.Shell_.Icons.count(first), 0u);
        EXPECT_EQ(images->Count(), 3);
    }
    EXPECT_TRUE(platform.Shell_.Icons.empty());
}

TEST(ImageListTest, WithoutAPlatformFramesHaveNoIcons) {
    TImageList images(nullptr);
    images.AddResource("TRAY0");
    EXPECT_EQ(images.GetIcon(0), 0u);
    EXPECT_EQ(images.Width(), 16);
    EXPECT_EQ(images.Height(), 16);
}

TEST(TimerTest, WithoutAPlatformATimerNeverRuns) {
    ASSERT_FALSE(os::Installed());
    TForm form(nullptr);
    auto* timer = NewComponent<TTimer>(form, "WorkTimer");
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 1000u);
    timer->OnTimer = [](TComponent*) {};
    timer->SetInterval(500);
    EXPECT_FALSE(timer->Running());
}

TEST(TimerTest, TicksEveryIntervalWhileEnabledWithAHandler) {
    fake::FakePlatform platform;
    TForm form(nullptr);
    auto* timer = NewComponent<TTimer>(form, "WorkTimer");
    std::vector<std::uint64_t> ticks;
    EXPECT_FALSE(timer->Running()); // no handler yet
    timer->OnTimer = [&](TComponent* sender) {
        EXPECT_EQ(sender, timer);
        ticks.push_back(platform.Time.NowMs);
    };
    EXPECT_TRUE(timer->Running());
    platform.Advance(3500);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1000, 2000, 3000}));

    timer->SetEnabled(false);
    platform.Advance(5000);
    EXPECT_EQ(ticks.size(), 3u);
    EXPECT_EQ(platform.Loop_.RunningTimerCount(), 0u);

    // Enabling again counts a whole interval from now.
    timer->SetEnabled(true);
    timer->SetInterval(5000);
    platform.Advance(4999);
    EXPECT_EQ(ticks.size(), 3u);
    platform.Advance(1);
    EXPECT_EQ(ticks.back(), 8500u + 5000u);
}

TEST(TimerTest, ZeroIntervalOrNoHandlerStopsIt) {
    fake::FakePlatform platform;
    TTimer timer(nullptr);
    int ticks = 0;
    timer.OnTimer = [&](TComponent*) { ++ticks; };
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    timer.SetInterval(100);
    platform.Advance(100);
    timer.OnTimer = nullptr;
    EXPECT_FALSE(timer.Running());
    platform.Advance(1000);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(platform.Loop_.RunningTimerCount(), 0u);
}

TEST(TimerTest, AHandlerMayStopOrDestroyItsOwnTimer) {
    fake::FakePlatform platform;
    TForm form(nullptr);
    auto* once = NewComponent<TTimer>(form, "TimerCheck");
    once->SetInterval(5000);
    int checks = 0;
    once->OnTimer = [&](TComponent*) {
        ++checks;
        once->SetEnabled(false);
    };
    auto* doomed = NewComponent<TTimer>(form, "Doomed");
    doomed->OnTimer = [&](TComponent*) { delete doomed; };
    platform.Advance(20000);
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(form.FindComponent("Doomed"), nullptr);
    EXPECT_EQ(platform.Loop_.RunningTimerCount(), 0u);
}

TEST(TimerTest, DestroyingATimerReleasesItsWindow) {
    fake::FakePlatform platform;
    const std::size_t windows = platform.Loop_.WindowCount();
    {
        TTimer timer(nullptr);
        timer.OnTimer = [](TComponent*) {};
        EXPECT_EQ(platform.Loop_.WindowCount(), windows + 1);
        EXPECT_EQ(platform.Loop_.RunningTimerCount(), 1u);
    }
    EXPECT_EQ(platform.Loop_.WindowCount(), windows);
    EXPECT_EQ(platform.Loop_.RunningTimerCount(), 0u);
}
