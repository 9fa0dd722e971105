#include "FakePlatform.h"
#include "ui/ActnList.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui;

TEST(ActionsTest, LinkedButtonsAndMenuItemsShowTheActionsCaption) {
    TForm form(nullptr);
    auto* action = NewComponent<TAction>(form, "ActionOK");
    action->SetCaption("&OK");
    auto* button = NewComponent<TButton>(form, "BOK");
    button->SetAction(action);
    auto* item = NewComponent<TMenuItem>(form, "PopupOK");
    item->SetAction(action);
    EXPECT_EQ(button->Caption(), "&OK"); // taken over when linked
    EXPECT_EQ(item->Caption(), "&OK");
    EXPECT_EQ(action->ClientCount(), 2);

    action->SetCaption("&Bestätigen");
    EXPECT_EQ(button->Caption(), "&Bestätigen");
    EXPECT_EQ(item->Caption(), "&Bestätigen");
    action->SetEnabled(false);
    EXPECT_FALSE(button->Enabled());
    EXPECT_FALSE(item->Enabled());
    action->SetHint("Save and close");
    EXPECT_EQ(button->Hint(), "Save and close");

    // A client's own later changes stay until the action changes that property again.
    button->SetHint("own hint");
    action->SetCaption("OK");
    EXPECT_EQ(button->Hint(), "own hint");
}

TEST(ActionsTest, ClickingALinkedClientRunsTheEnabledAction) {
    TForm form(nullptr);
    auto* action = NewComponent<TAction>(form, "ActionExit");
    std::vector<TComponent*> senders;
    action->OnExecute = [&](TComponent* sender) { senders.push_back(sender); };
    auto* button = NewComponent<TButton>(form, "BExit");
    button->SetAction(action);
    auto* item = NewComponent<TMenuItem>(form, "PopupExit");
    item->SetAction(action);

    button->Click();
    item->Click();
    EXPECT_EQ(senders, (std::vector<TComponent*>{action, action}));

    action->SetEnabled(false);
    EXPECT_FALSE(action->Execute());
    button->Click();
    item->Click();
    EXPECT_EQ(senders.size(), 2u);

    // A client's own OnClick takes the place of the action.
    action->SetEnabled(true);
    int ownClicks = 0;
    button->OnClick = [&](TComponent*) { ++ownClicks; };
    button->Click();
    EXPECT_EQ(ownClicks, 1);
    EXPECT_EQ(senders.size(), 2u);
}

TEST(ActionsTest, DestroyingEitherSideOfALinkLeavesTheOtherUsable) {
    TForm form(nullptr);
    auto* action = NewComponent<TAction>(form, "ActionHelp");
    action->SetCaption("Help");
    auto* button = NewComponent<TButton>(form, "BHelp");
    button->SetAction(action);
    auto* item = NewComponent<TMenuItem>(form, "PopupHelp");
    item->SetAction(action);
    delete button;
    EXPECT_EQ(action->ClientCount(), 1);
    action->SetCaption("Hilfe"); // must not reach the destroyed button
    delete action;
    EXPECT_EQ(item->Action(), nullptr);
    EXPECT_EQ(item->Caption(), "Hilfe");
    item->Click(); // nothing to run, nothing to crash
}

TEST(ActionsTest, ActionListHoldsItsActionsInOrder) {
    TForm form(nullptr);
    auto* list = NewComponent<TActionList>(form, "ActionList");
    auto* first = NewComponent<TAction>(form, "ActionAddMusic");
    auto* second = NewComponent<TAction>(form, "ActionDeleteMusic");
    second->SetActionList(list);
    first->SetActionList(list);
    ASSERT_EQ(list->ActionCount(), 2);
    EXPECT_EQ(list->Actions(0), second);
    EXPECT_EQ(list->Actions(1), first);
    delete second;
    EXPECT_EQ(list->ActionCount(), 1);
    delete list;
    EXPECT_EQ(first->ActionList(), nullptr);
}

TEST(MenusTest, ItemsSitInTheirMenuInOrderAndOneIsDefault) {
    TForm form(nullptr);
    auto* menu = NewComponent<TPopupMenu>(form, "PopupMenu");
    EXPECT_TRUE(menu->AutoPopup());
    auto* help = NewComponent<TMenuItem>(form, "PopupHelp");
    auto* line = NewComponent<TMenuItem>(form, "N1");
    auto* option = NewComponent<TMenuItem>(form, "PopupReset");
    line->SetCaption("-");
    menu->Items()->Add(help);
    menu->Items()->Add(option);
    menu->Items()->Insert(1, line);
    ASSERT_EQ(menu->Items()->Count(), 3);
    EXPECT_EQ(menu->Items()->Items(1), line);
    EXPECT_TRUE(line->IsLine());
    EXPECT_EQ(option->MenuIndex(), 2);
    EXPECT_EQ(option->Parent(), menu->Items());

    help->SetDefault(true);
    option->SetDefault(true);
    EXPECT_FALSE(help->Default());
    EXPECT_TRUE(option->Default());

    EXPECT_THROW(help->Add(menu->Items()), EInvalidOperation);
    delete line;
    EXPECT_EQ(menu->Items()->Count(), 2);
    EXPECT_EQ(option->MenuIndex(), 1);
    // The menu's own root item is not one of the form's components.
    EXPECT_EQ(form.ComponentCount(), 3);
    EXPECT_EQ(menu->Items()->Owner(), menu);
}

TEST(MenusTest, DisabledItemIgnoresClicks) {
    TForm form(nullptr);
    auto* item = NewComponent<TMenuItem>(form, "PopupUpdate");
    int clicks = 0;
    item->OnClick = [&](TComponent*) { ++clicks; };
    item->SetEnabled(false);
    item->Click();
    item->SetEnabled(true);
    item->Click();
    EXPECT_EQ(clicks, 1);
}

TEST(MenusTest, PopupShowsVisibleItemsAndClicksTheChosenOne) {
    fake::FakePlatform platform;
    TForm form(nullptr);
    auto* menu = NewComponent<TPopupMenu>(form, "PopupMenu");
    auto* action = NewComponent<TAction>(form, "ActionAbout");
    action->SetCaption("About");
    int runs = 0;
    action->OnExecute = [&](TComponent*) { ++runs; };
    auto* hidden = NewComponent<TMenuItem>(form, "Hidden");
    hidden->SetCaption("Hidden");
    hidden->SetVisible(false);
    auto* line = NewComponent<TMenuItem>(form, "N1");
    line->SetCaption("-");
    auto* about = NewComponent<TMenuItem>(form, "PopupAbout");
    about->SetAction(action);
    about->SetDefault(true);
    for (auto* item : {hidden, line, about})
        menu->Items()->Add(item);
    int popups = 0;
    menu->OnPopup = [&](TComponent*) { ++popups; };

    platform.Shell_.MenuAnswers.push_back(2);
    menu->Popup(10, 20);
    ASSERT_EQ(platform.Shell_.MenusShown.size(), 1u);
    const auto& shown = platform.Shell_.MenusShown[0];
    ASSERT_EQ(shown.Entries.size(), 2u);
    EXPECT_TRUE(shown.Entries[0].Separator);
    EXPECT_EQ(shown.Entries[1].Caption, "About");
    EXPECT_TRUE(shown.Entries[1].Default);
    EXPECT_EQ(shown.At, (os::TPoint{10, 20}));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(popups, 1);

    // Dismissed: nothing runs.
    menu->Popup(0, 0);
    EXPECT_EQ(runs, 1);
}

TEST(MenusTest, ItemDestroyedWhileTheMenuIsOpenIsNotClicked) {
    fake::FakePlatform platform;
    TForm form(nullptr);
    auto* menu = NewComponent<TPopupMenu>(form, "PopupMenu");
    auto* item = NewComponent<TMenuItem>(form, "PopupExit");
    item->SetCaption("Exit");
    menu->Items()->Add(item);
    platform.Shell_.WhileMenuOpen = [&] { delete item; };
    platform.Shell_.MenuAnswers.push_back(1);
    menu->Popup(0, 0); // would click a destroyed item
    EXPECT_EQ(menu->Items()->Count(), 0);
}

TEST(MenusTest, PopupWithoutAPlatformShowsNothing) {
    TForm form(nullptr);
    auto* menu = NewComponent<TPopupMenu>(form, "PopupMenu");
    auto* item = NewComponent<TMenuItem>(form, "PopupHelp");
    int clicks = 0;
    item->OnClick = [&](TComponent*) { ++clicks; };
    menu->Items()->Add(item);
    menu->Popup(0, 0);
    EXPECT_EQ(clicks, 0);
}

TEST(MenusTest, PopupComponentIsForgottenWhenDestroyed) {
    TForm form(nullptr);
    auto* menu = NewComponent<TPopupMenu>(form, "PopupMenu");
    auto* tray = NewComponent<TComponent>(form, "TrayIcon");
    menu->SetPopupComponent(tray);
    EXPECT_EQ(menu->PopupComponent(), tray);
    delete tray;
    EXPECT_EQ(menu->PopupComponent(), nullptr);
}
