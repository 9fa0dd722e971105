// The media player's commands against the scripted audio device: the flag rules, opening and
// closing, rewinding, modes and notifications.
#include "platform/MPlayer.h"

#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace platform;
using fake::FakeMci;

class MediaPlayer : public ::testing::Test {
protected:
    MediaPlayer() {
        p.Media_.Lengths[song] = 1000;
        p.Media_.Lengths[other] = 3000;
        player = std::make_unique<TMediaPlayer>(nullptr);
    }
    const std::vector<FakeMci::Command>& Commands() const { return p.Media_.Commands; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& c : Commands())
            names.push_back(c.Name);
        return names;
    }
    void OpenSong(const std::string& file) {
        player->SetFileName(file);
        player->Open();
    }

    fake::FakePlatform p;
    std::string song = "/music/song.mid";
    std::string other = "/music/other.wav";
    std::unique_ptr<TMediaPlayer> player;
};

TEST_F(MediaPlayer, NotifyMarkIsUsedByTheNextCommandOnly) {
    // As at program start: notify given once, then the first open carries it.
    player->SetNotify(true);
    player->Mode(); // a status request leaves the mark alone
    OpenSong(song);
    ASSERT_EQ(Commands()[0].Name, "open");
    EXPECT_EQ(Commands()[0].Flags, os::MCI_WAIT | os::MCI_NOTIFY | os::MCI_OPEN_ELEMENT);
    EXPECT_EQ(Commands()[0].DeviceType, "");

    p.Media_.Commands.clear();
    OpenSong(other); // closes the first device, then opens: neither notifies now
    ASSERT_EQ(Names(), (std::vector<std::string>{"close", "open"}));
    EXPECT_EQ(Commands()[0].Flags, os::MCI_WAIT);
    EXPECT_EQ(Commands()[1].Flags, os::MCI_WAIT | os::MCI_OPEN_ELEMENT);
}

TEST_F(MediaPlayer, PlayNotifiesUnlessToldNotToAndWaitsOnlyWhenTold) {
    OpenSong(other);
    p.Media_.Commands.clear();
    player->Play();
    EXPECT_EQ(Commands().back().Flags, os::MCI_NOTIFY);
    player->SetNotify(false);
    player->Play();
    EXPECT_EQ(Commands().back().Flags, 0u);
    player->Play(); // the mark was used up
    EXPECT_EQ(Commands().back().Flags, os::MCI_NOTIFY);

    player->SetWait(true);
    player->SetNotify(true);
    player->Stop(); // plain commands: the marks decide
    EXPECT_EQ(Commands().back().Flags, os::MCI_WAIT | os::MCI_NOTIFY);
    player->SetWait(false);
    player->Stop();
    EXPECT_EQ(Commands().back().Flags, 0u);
    player->Stop();
    EXPECT_EQ(Commands().back().Flags, os::MCI_WAIT);

    player->SetFrom(500);
    player->Play();
    EXPECT_EQ(Commands().back().Flags, os::MCI_NOTIFY | os::MCI_FROM);
}

TEST_F(MediaPlayer, OpenOnAnOpenPlayerClosesTheOldDeviceFirst) {
    OpenSong(song);
    os::MCIDEVICEID first = player->DeviceID();
    player->Play();
    OpenSong(other);
    ASSERT_EQ(Names(), (std::vector<std::string>{"open", "play", "close", "open"}));
    EXPECT_EQ(Commands()[2].Id, first);
    EXPECT_EQ(p.Media_.OpenDeviceCount(), 1u);
    EXPECT_NE(player->DeviceID(), first);
    EXPECT_EQ(player->Length(), 3000u);
    EXPECT_EQ(player->Frames(), 300u);
}

TEST_F(MediaPlayer, FailedOpenRaisesTheDeviceTextAndLeavesThePlayerClosed) {
    OpenSong(song);
    player->SetFileName("/music/notes.txt");
    try {
        player->Open();
        FAIL() << "no error";
    } catch (const EMCIDeviceError& e) {
        EXPECT_STREQ(e.what(), "The specified file cannot be played on the specified MCI device.");
    }
    EXPECT_EQ(player->DeviceID(), 0);
    EXPECT_FALSE(player->Opened());
    EXPECT_EQ(p.Media_.OpenDeviceCount(), 0u) << "the old device was closed before";
    EXPECT_EQ(player->Mode(), mpNotReady);

    // A code the device has no text for.
    p.Media_.OpenError = 999;
    try {
        player->Open();
        FAIL() << "no error";
    } catch (const EMCIDeviceError& e) {
        EXPECT_STREQ(e.what(), "Unknown error code");
    }
    EXPECT_EQ(player->Error(), 999u);
}

TEST_F(MediaPlayer, PlayAfterThePieceEndedStartsFromTheBeginning) {
    OpenSong(song);
    player->Play();
    p.Advance(1200);
    ASSERT_EQ(player->Mode(), mpStopped);
    ASSERT_EQ(player->Position(), 1000u);
    p.Media_.Commands.clear();
    player->Play();
    ASSERT_EQ(Names(), (std::vector<std::string>{"seek", "play"}));
    EXPECT_EQ(Commands()[0].Flags, os::MCI_SEEK_TO_START | os::MCI_WAIT);
    EXPECT_EQ(player->Mode(), mpPlaying);
    p.Advance(500);
    EXPECT_EQ(player->Position(), 500u);

    // Stopped half way, it goes on from there.
    player->Stop();
    p.Media_.Commands.clear();
    player->Play();
    EXPECT_EQ(Names(), (std::vector<std::string>{"play"}));

    // Without AutoRewind a piece at its end is not rewound.
    p.Advance(1000);
    player->SetAutoRewind(false);
    p.Media_.Commands.clear();
    player->Play();
    EXPECT_EQ(Names(), (std::vector<std::string>{"play"}));
}

TEST_F(MediaPlayer, CommandsOnAClosedPlayer) {
    player->Close(); // nothing happens, nothing is raised
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(player->Error(), 0u);
    for (auto command : {&TMediaPlayer::Play, &TMediaPlayer::Stop, &TMediaPlayer::Pause,
                         &TMediaPlayer::Next, &TMediaPlayer::Eject}) {
        try {
            (player.get()->*command)();
            ADD_FAILURE() << "no error";
        } catch (const EMCIDeviceError& e) {
            EXPECT_STREQ(e.what(), "No MCI device open");
        }
    }
    EXPECT_TRUE(Commands().empty());
    // A closed player is never "stopped": the rest cycle would start music on it.
    EXPECT_EQ(player->Mode(), mpNotReady);
    OpenSong(song);
    EXPECT_EQ(player->Mode(), mpStopped);
    player->Close();
    EXPECT_EQ(player->Mode(), mpNotReady);
}

TEST_F(MediaPlayer, DeviceThatWillNotCloseStaysThePlayers) {
    OpenSong(song);
    os::MCIDEVICEID id = player->DeviceID();
    TButtonSet buttons = player->AutoButtons();
    p.Media_.CloseFails = true;
    player->Close();
    EXPECT_NE(player->Error(), 0u);
    EXPECT_EQ(player->DeviceID(), id);
    EXPECT_TRUE(player->Opened());
    EXPECT_EQ(player->AutoButtons(), buttons);
    // Opening another file over it raises and keeps the old device, which is still playing.
    player->Play();
    player->SetFileName(other);
    try {
        player->Open();
        FAIL() << "no error";
    } catch (const EMCIDeviceError& e) {
        EXPECT_STREQ(e.what(), "The device is not ready.");
    }
    EXPECT_EQ(player->DeviceID(), id);
    EXPECT_EQ(p.Media_.OpenDeviceCount(), 1u);
    EXPECT_EQ(player->Mode(), mpPlaying);
    p.Media_.CloseFails = false;
    player->Close();
    EXPECT_EQ(player->DeviceID(), 0);
    EXPECT_TRUE(player->AutoButtons().Empty());
}

TEST_F(MediaPlayer, DestroyingThePlayerClosesItsDevice) {
    OpenSong(song);
    player.reset();
    EXPECT_EQ(p.Media_.OpenDeviceCount(), 0u);
    EXPECT_EQ(Commands().back().Name, "close");
    EXPECT_EQ(Commands().back().Flags, os::MCI_WAIT);
}

TEST_F(MediaPlayer, EndNotificationSetsTheNotifyValueAndReenablesPlay) {
    int notified = 0;
    player->OnNotify = [&](ui::TComponent* sender) {
        EXPECT_EQ(sender, player.get());
        ++notified;
    };
    OpenSong(song);
    int key = 0x20;
    player->KeyDown(key, 0); // Space on Play: play, then the after-click rule
    EXPECT_EQ(key, 0);
    EXPECT_FALSE(player->ButtonEnabled(btPlay));
    EXPECT_TRUE(player->ButtonEnabled(btStop));
    p.Advance(1200);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(player->NotifyValue(), nvSuccessful);
    EXPECT_TRUE(player->ButtonEnabled(btPlay));
    EXPECT_FALSE(player->ButtonEnabled(btStop));
    EXPECT_FALSE(player->ButtonEnabled(btPause));

    // Each code the device sends maps to its value; while the device plays, the buttons stay.
    struct Case {
        os::WPARAM Code;
        TMPNotifyValues Value;
    };
    key = 0x20;
    player->KeyDown(key, 0);
    ASSERT_EQ(player->Mode(), mpPlaying);
    for (Case c :
         {Case{os::MCI_NOTIFY_SUPERSEDED, nvSuperseded}, Case{os::MCI_NOTIFY_ABORTED, nvAborted},
          Case{os::MCI_NOTIFY_FAILURE, nvFailure}, Case{os::MCI_NOTIFY_SUCCESSFUL, nvSuccessful}}) {
        int before = notified;
        p.Loop_.SendMessage(player->CallbackWindow(), os::MM_MCINOTIFY, c.Code, player->DeviceID());
        EXPECT_EQ(player->NotifyValue(), c.Value);
        EXPECT_EQ(notified, before + 1);
        EXPECT_FALSE(player->ButtonEnabled(btPlay));
    }
}

TEST_F(MediaPlayer, PauseResumesWhenPausedAndResumeFallsBackToPlay) {
    OpenSong(other);
    player->Play();
    p.Advance(500);
    player->Pause();
    EXPECT_EQ(player->Mode(), mpPaused);
    p.Advance(500);
    EXPECT_EQ(player->Position(), 500u);
    player->Pause(); // paused: resumes
    EXPECT_EQ(player->Mode(), mpPlaying);
    EXPECT_EQ(Commands().back().Name, "play");
    EXPECT_EQ(Commands()[Commands().size() - 2].Name, "resume");

    player->Stop();
    p.Media_.Commands.clear();
    player->Resume(); // not paused: the device refuses, so the player plays
    EXPECT_EQ(Names(), (std::vector<std::string>{"resume", "play"}));
    EXPECT_EQ(player->Mode(), mpPlaying);
}

} // namespace
