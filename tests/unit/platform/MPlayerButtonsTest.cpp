// The media player's button bar: layout, what is drawn, mouse, keys and the after-click rule.
#include "platform/MPlayer.h"

#include "FakePlatform.h"
#include "ui/Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace platform;

constexpr int Space = 0x20;
constexpr int Left = 0x25;
constexpr int Right = 0x27;

class PlayerButtons : public ::testing::Test {
protected:
    PlayerButtons() {
        p.Media_.Lengths[song] = 1000;
        player = new TMediaPlayer(&form);
        player->SetParent(&form);
    }
    // The music page's player: Play and Stop, 57 x 24.
    void MakePreviewPlayer() {
        player->SetVisibleButtons({btPlay, btStop});
        player->SetBounds(8, 150, 57, 24);
    }
    void Open() {
        player->SetFileName(song);
        player->Open();
    }
    std::vector<std::string> Images() const {
        std::vector<std::string> images;
        for (const auto& face : player->ButtonFaces())
            images.push_back(face.Image);
        return images;
    }
    int Count(const std::string& command) const {
        int n = 0;
        for (const auto& c : p.Media_.Commands)
            n += c.Name == command ? 1 : 0;
        return n;
    }
    void Press(int key) {
        int k = key;
        player->KeyDown(k, 0);
    }
    void ClickAt(int x, int y) {
        player->MouseDown(ui::TMouseButton::mbLeft, ui::ssLeft, x, y);
        player->MouseUp(ui::TMouseButton::mbLeft, 0, x, y);
    }

    fake::FakePlatform p;
    std::string song = "/music/song.wav";
    ui::TForm form{nullptr};
    TMediaPlayer* player;
};

TEST_F(PlayerButtons, PreviewPlayerHasTwoButtonsOf29Pixels) {
    MakePreviewPlayer();
    EXPECT_EQ(player->ButtonWidth(), 29);
    EXPECT_EQ(player->Width(), 57);
    EXPECT_EQ(player->Height(), 24);
    auto faces = player->ButtonFaces();
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0].Button, btPlay);
    EXPECT_EQ(faces[0].Rect, (os::TRect{0, 0, 29, 24}));
    EXPECT_EQ(faces[1].Button, btStop);
    EXPECT_EQ(faces[1].Rect, (os::TRect{28, 0, 57, 24})) << "neighbours share a border";
    // Images are centred; a pressed button's one pixel right and down.
    EXPECT_EQ(faces[1].ImageAt, (os::TPoint{28 + (29 - 16) / 2, (24 - 12) / 2}));

    // The same player with larger images still fits.
    TMediaPlayer larger(&form, 21, 17);
    larger.SetVisibleButtons({btPlay, btStop});
    larger.SetBounds(0, 0, 57, 24);
    EXPECT_EQ(larger.ButtonWidth(), 29);
    EXPECT_EQ(larger.Width(), 57);
}

TEST_F(PlayerButtons, WidthDividesEvenlyAndNeverFallsBelowWhatTheImagesNeed) {
    EXPECT_EQ(player->Width(), 253) << "nine buttons by default";
    EXPECT_EQ(player->ButtonWidth(), 29);
    MakePreviewPlayer();
    player->SetWidth(50);
    EXPECT_EQ(player->Width(), 49);
    EXPECT_EQ(player->ButtonWidth(), 25);
    player->SetBounds(0, 0, 10, 5);
    EXPECT_EQ(player->Width(), 2 * (16 + 8 - 1) + 1);
    EXPECT_EQ(player->Height(), 12 + 4);
    EXPECT_EQ(player->ButtonWidth(), 24);
}

TEST_F(PlayerButtons, NoVisibleButtonsCountAsOne) {
    player->SetVisibleButtons({});
    player->SetBounds(0, 0, 57, 24);
    EXPECT_EQ(player->Width(), 57);
    EXPECT_EQ(player->ButtonWidth(), 57);
    EXPECT_TRUE(player->ButtonFaces().empty());
    player->SetWidth(3);
    EXPECT_EQ(player->Width(), 16 + 8);
    TMPBtnType hit;
    EXPECT_FALSE(player->ButtonAt(5, 5, hit));
}

TEST_F(PlayerButtons, ImagesFollowTheEnabledAndColouredSets) {
    MakePreviewPlayer();
    EXPECT_EQ(Images(), (std::vector<std::string>{"DI_MPPLAY", "DI_MPSTOP"})) << "nothing open";
    Open();
    EXPECT_EQ(Images(), (std::vector<std::string>{"CL_MPPLAY", "DI_MPSTOP"}));
    player->SetColoredButtons({btStop});
    EXPECT_EQ(Images(), (std::vector<std::string>{"EN_MPPLAY", "DI_MPSTOP"}));
    player->SetEnabled(false);
    EXPECT_EQ(Images(), (std::vector<std::string>{"DI_MPPLAY", "DI_MPSTOP"}));
    player->SetEnabled(true);
    // Without automatic enabling the enabled set alone decides.
    player->SetAutoEnable(false);
    player->SetEnabledButtons({btStop});
    EXPECT_EQ(Images(), (std::vector<std::string>{"DI_MPPLAY", "CL_MPSTOP"}));
}

TEST_F(PlayerButtons, MouseClickRunsTheButtonAndTheAfterClickRule) {
    MakePreviewPlayer();
    Open();
    std::vector<std::string> events;
    player->OnClick = [&](ui::TComponent*, TMPBtnType b, bool&) {
        events.push_back("click " + std::to_string(b));
    };
    player->OnPostClick = [&](ui::TComponent*, TMPBtnType b) {
        events.push_back("post " + std::to_string(b));
    };

    // A press on the disabled Stop does nothing.
    player->MouseDown(ui::TMouseButton::mbLeft, ui::ssLeft, 40, 10);
    EXPECT_FALSE(player->MouseCaptured());
    // Press on Play: captured and drawn down; moving off and back toggles the drawing.
    player->MouseDown(ui::TMouseButton::mbLeft, ui::ssLeft, 10, 10);
    EXPECT_TRUE(player->MouseCaptured());
    EXPECT_TRUE(player->ButtonFaces()[0].Pressed);
    EXPECT_EQ(player->ButtonFaces()[0].ImageAt, (os::TPoint{(29 - 16) / 2 + 1, 6 + 1}));
    EXPECT_TRUE(player->Focused());
    player->MouseMove(ui::ssLeft, 40, 10);
    EXPECT_FALSE(player->ButtonFaces()[0].Pressed);
    player->MouseMove(ui::ssLeft, 200, 10);
    EXPECT_FALSE(player->ButtonFaces()[0].Pressed);
    player->MouseMove(ui::ssLeft, 12, 3);
    EXPECT_TRUE(player->ButtonFaces()[0].Pressed);
    player->MouseUp(ui::TMouseButton::mbLeft, 0, 12, 3);
    EXPECT_FALSE(player->MouseCaptured());
    EXPECT_FALSE(player->ButtonFaces()[0].Pressed);
    EXPECT_EQ(Count("play"), 1);
    EXPECT_EQ(events, (std::vector<std::string>{"click 0", "post 0"}));
    EXPECT_EQ(Images(), (std::vector<std::string>{"DI_MPPLAY", "CL_MPSTOP"}));

    // Released away from the button pressed: no click.
    player->MouseDown(ui::TMouseButton::mbLeft, ui::ssLeft, 40, 10);
    player->MouseUp(ui::TMouseButton::mbLeft, 0, 10, 10);
    EXPECT_EQ(Count("stop"), 0);
    // The right button does not press.
    player->MouseDown(ui::TMouseButton::mbRight, ui::ssRight, 40, 10);
    EXPECT_FALSE(player->MouseCaptured());

    ClickAt(40, 10);
    EXPECT_EQ(Count("stop"), 1);
    EXPECT_EQ(Images(), (std::vector<std::string>{"CL_MPPLAY", "DI_MPSTOP"}));
}

TEST_F(PlayerButtons, OnClickCanCancelTheCommand) {
    MakePreviewPlayer();
    Open();
    bool posted = false;
    player->OnClick = [](ui::TComponent*, TMPBtnType, bool& doDefault) { doDefault = false; };
    player->OnPostClick = [&](ui::TComponent*, TMPBtnType) { posted = true; };
    ClickAt(10, 10);
    EXPECT_EQ(Count("play"), 0);
    EXPECT_TRUE(posted);
}

TEST_F(PlayerButtons, MouseAfterClickNeedsSuccessButSpaceDoesNot) {
    MakePreviewPlayer();
    Open();
    p.Media_.PlayFails = true;
    ClickAt(10, 10);
    EXPECT_NE(player->Error(), 0u);
    EXPECT_TRUE(player->ButtonEnabled(btPlay)) << "a failed play leaves Play enabled";
    Press(Space);
    EXPECT_FALSE(player->ButtonEnabled(btPlay));
    EXPECT_TRUE(player->ButtonEnabled(btStop));
}

TEST_F(PlayerButtons, ArrowKeysMoveTheFocusAmongTheVisibleButtons) {
    MakePreviewPlayer();
    player->SetFocus();
    auto focused = [&] {
        for (const auto& face : player->ButtonFaces())
            if (face.Focused)
                return std::to_string(face.Button);
        return std::string("none");
    };
    EXPECT_EQ(focused(), "0");
    EXPECT_EQ(player->ButtonFaces()[0].FocusRect, (os::TRect{3, 3, 26, 21}));
    Press(Right);
    EXPECT_EQ(player->FocusedButton(), btStop);
    EXPECT_EQ(focused(), "2");
    Press(Right); // nothing visible further right: the last button of the full set
    EXPECT_EQ(player->FocusedButton(), btEject);
    EXPECT_EQ(focused(), "none");
    Press(Left);
    EXPECT_EQ(player->FocusedButton(), btStop);
    Press(Left);
    Press(Left);
    EXPECT_EQ(player->FocusedButton(), btPlay);

    player->SetVisibleButtons({btPause, btStop});
    Press(Left);
    EXPECT_EQ(player->FocusedButton(), btPlay);
    Press(Right);
    EXPECT_EQ(player->FocusedButton(), btPause);
}

TEST_F(PlayerButtons, SpaceOnTheDisabledStopWithNothingOpenRaises) {
    MakePreviewPlayer();
    Press(Right);
    ASSERT_EQ(player->FocusedButton(), btStop);
    EXPECT_EQ(Images()[1], "DI_MPSTOP");
    try {
        Press(Space);
        FAIL() << "no error";
    } catch (const EMCIDeviceError& e) {
        EXPECT_STREQ(e.what(), "No MCI device open");
    }
    // A button outside the enabled set is not run by Space.
    player->SetEnabledButtons({btPlay});
    Press(Space);
    EXPECT_TRUE(p.Media_.Commands.empty());
}

TEST_F(PlayerButtons, AfterClickRules) {
    MakePreviewPlayer();
    player->SetVisibleButtons(TButtonSet::All());
    Open();
    EXPECT_EQ(player->AutoButtons(), (TButtonSet{btPlay, btNext, btPrev}));
    Press(Space); // Space on Play runs it and applies its rule
    EXPECT_EQ(player->AutoButtons(), (TButtonSet{btPause, btStop, btNext, btPrev}));
    Press(Right);
    Press(Space); // pause: Play comes back, Pause and Stop stay
    EXPECT_EQ(player->Mode(), mpPaused);
    EXPECT_EQ(player->AutoButtons(), (TButtonSet{btPlay, btPause, btStop, btNext, btPrev}));
    Press(Right);
    Press(Right);
    ASSERT_EQ(player->FocusedButton(), btNext);
    Press(Space);
    EXPECT_EQ(player->AutoButtons(), (TButtonSet{btPlay, btNext, btPrev}));
}

} // namespace
