#include "ui/Component.h"
#include "ui/Classes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace ui;

namespace {

// Records its own destruction and the removals it hears of.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::vector<std::string>* log) : TComponent(owner), log_(log) {}
    ~Probe() override {
        if (log_)
            log_->push_back("destroy " + Name());
    }
    std::vector<TComponent*> Removed;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        Removed.push_back(component);
    }

private:
    std::vector<std::string>* log_;
};

} // namespace

TEST(ComponentTest, OwnerListsComponentsInCreationOrderAndDestroysThemLastFirst) {
    std::vector<std::string> log;
    {
        TComponent owner(nullptr);
        auto* a = NewComponent<Probe>(owner, "A", &log);
        auto* b = NewComponent<Probe>(owner, "B", &log);
        auto* c = NewComponent<Probe>(owner, "C", &log);
        ASSERT_EQ(owner.ComponentCount(), 3);
        EXPECT_EQ(owner.Components(0), a);
        EXPECT_EQ(owner.Components(1), b);
        EXPECT_EQ(owner.Components(2), c);
        EXPECT_EQ(b->Owner(), &owner);
        EXPECT_EQ(c->ComponentIndex(), 2);
        EXPECT_THROW(owner.Components(3), EListError);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"destroy C", "destroy B", "destroy A"}));
}

TEST(ComponentTest, DeletingAnOwnedComponentTakesItOutOfItsOwner) {
    std::vector<std::string> log;
    TComponent owner(nullptr);
    auto* a = NewComponent<Probe>(owner, "A", &log);
    auto* b = NewComponent<Probe>(owner, "B", &log);
    delete a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
    EXPECT_EQ(owner.FindComponent("A"), nullptr);
    EXPECT_EQ(b->ComponentIndex(), 0);
    owner.DestroyComponents();
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"destroy A", "destroy B"}));
}

TEST(ComponentTest, FindComponentIgnoresLetterCaseAndOnlySearchesOwnedComponents) {
    TComponent owner(nullptr);
    auto* label = NewComponent<TComponent>(owner, "LTitle");
    auto* inner = NewComponent<TComponent>(*label, "Deep");
    EXPECT_EQ(owner.FindComponent("LTitle"), label);
    EXPECT_EQ(owner.FindComponent("ltitle"), label);
    EXPECT_EQ(owner.FindComponent("Deep"), nullptr);
    EXPECT_EQ(label->FindComponent("DEEP"), inner);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    EXPECT_EQ(owner.FindComponent("LTitl"), nullptr);
}

TEST(ComponentTest, NamesMustBeIdentifiersUniqueWithinTheOwner) {
    TComponent owner(nullptr);
    auto* first = NewComponent<TComponent>(owner, "Button1");
    auto* second = new TComponent(&owner);
    EXPECT_THROW(second->SetName("BUTTON1"), EComponentError);
    EXPECT_EQ(second->Name(), "");
    EXPECT_THROW(second->SetName("1Button"), EComponentError);
    EXPECT_THROW(second->SetName("Button 2"), EComponentError);
    EXPECT_NO_THROW(second->SetName("_Button2"));
    EXPECT_NO_THROW(first->SetName("button1")); // its own name in another case
    // Unnamed components may share the empty name.
    new TComponent(&owner);
    new TComponent(&owner);
    // A failed NewComponent leaves nothing behind.
    EXPECT_THROW(NewComponent<TComponent>(owner, "_button2"), EComponentError);
    EXPECT_EQ(owner.ComponentCount(), 4);
}

TEST(ComponentTest, ComponentsOfOneOwnerHearOfEachOthersDestruction) {
    TComponent owner(nullptr);
    auto* watcher = NewComponent<Probe>(owner, "Watcher", nullptr);
    auto* other = NewComponent<TComponent>(owner, "Other");
    delete other;
    ASSERT_EQ(watcher->Removed.size(), 1u);
    EXPECT_EQ(watcher->Removed[0], other);
}

TEST(ComponentTest, FreeNotificationReachesAcrossOwnersUntilRemoved) {
    TComponent ownerA(nullptr);
    TComponent ownerB(nullptr);
    auto* watcher = NewComponent<Probe>(ownerA, "Watcher", nullptr);
    auto* referenced = NewComponent<TComponent>(ownerB, "Images");
    auto* forgotten = NewComponent<TComponent>(ownerB, "Menu");
    referenced->FreeNotification(watcher);
    forgotten->FreeNotification(watcher);
    forgotten->RemoveFreeNotification(watcher);
    delete forgotten;
    EXPECT_TRUE(watcher->Removed.empty());
    delete referenced;
    ASSERT_EQ(watcher->Removed.size(), 1u);
    EXPECT_EQ(watcher->Removed[0], referenced);
    // The watcher going first must not leave the other side with a dangling entry.
    auto* later = NewComponent<TComponent>(ownerB, "Later");
    later->FreeNotification(watcher);
    delete watcher;
    delete later; // would notify the destroyed watcher if the link were one-sided
}

TEST(ComponentTest, ComponentRefBecomesNullWhenItsComponentIsDestroyed) {
    TComponent owner(nullptr);
    auto* menu = NewComponent<TComponent>(owner, "Menu");
    TComponentRef<TComponent> ref(menu);
    EXPECT_EQ(ref.Get(), menu);
    delete menu;
    EXPECT_EQ(ref.Get(), nullptr);
    EXPECT_FALSE(ref);
}

TEST(ComponentTest, OwnedComponentsAreMarkedDestroyingBeforeTheyGo) {
    struct Child : TComponent {
        Child(TComponent* owner, bool* seen) : TComponent(owner), seen_(seen) {}
        ~Child() override { *seen_ = Destroying(); }
        bool* seen_;
    };
    bool seen = false;
    {
        auto owner = std::make_unique<TComponent>(nullptr);
        new Child(owner.get(), &seen);
        EXPECT_FALSE(owner->Destroying());
    }
    EXPECT_TRUE(seen);
}
