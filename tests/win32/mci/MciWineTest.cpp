// The media player on the real MCI devices under Wine, with ALSA's default output written to a
// file (wine-session.sh --audio-file): what comes out is what a sound card would have played.

#include "os/Platform.h"
#include "os/win32/Win32Mci.h"
#include "os/win32/Win32Platform.h"
#include "platform/MPlayer.h"
#include "WineTestSupport.h"

#include "os/win32/Win32Windows.h"

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using platform::TMediaPlayer;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The sample bytes of a RIFF wave file: its "data" chunk.
std::string WaveSamples(const std::string& wave) {
    std::size_t at = 12;
    while (at + 8 <= wave.size()) {
        const std::string id = wave.substr(at, 4);
        const auto size = static_cast<std::uint32_t>(
            static_cast<unsigned char>(wave[at + 4]) |
            static_cast<unsigned char>(wave[at + 5]) << 8 |
            static_cast<unsigned char>(wave[at + 6]) << 16 |
            static_cast<std::uint32_t>(static_cast<unsigned char>(wave[at + 7])) << 24);
        if (id == "data")
            return wave.substr(at + 8, size);
        at += 8 + size + (size & 1);
    }
    return {};
}

// A type-0 MIDI file: one note of half a second.
std::string MidiFile() {
    const unsigned char bytes[] = {
        'M',  'T',  'h',  'd',  0,   0, 0, 6, 0,  0,    0,    1,  0,
        96,   'M',  'T',  'r',  'k', 0, 0, 0, 13, 0x00, 0x90, 60, 100, // note on
        0x60, 0x80, 60,   0,                                           // note off a beat later
        0x00, 0xFF, 0x2F, 0x00,                                        // end of track
        0x00};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes - 1);
}

class MciDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The pieces are made once by the system's own tools: a tone as a wave file (long
        // enough to stop and pause in) and the same tone as MP3.
        folder = wtest::ExeDir() + "mci-media\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        const std::string unixFolder = UnixPath(folder);
        const std::string command =
            "cd '" + unixFolder +
            "' && sox -n -r 44100 -c 2 -b 16 short.wav synth 1.5 sine 440 && "
            "sox -n -r 44100 -c 2 -b 16 long.wav synth 12 sine 200-2000 && "
            "sox -n -r 44100 -c 2 -b 16 tone.wav synth 2 sine 660 && "
            "lame --quiet -b 128 tone.wav tone.mp3";
        ASSERT_EQ(wtest::RunHost(command, 60000), 0) << command;
        std::ofstream(folder + "notes.wav") << "these are not samples\n";
        std::ofstream(folder + "tune.mid", std::ios::binary) << MidiFile();
        std::ofstream(folder + "short.m3u") << "# a playlist\r\n\r\nshort.wav\r\n";
        std::ofstream(folder + "empty.m3u") << "# names nothing\r\n";
    }

    static std::string UnixPath(std::string windowsPath) {
        char* unix = nullptr;
        // Wine's own mapping of its drives (Z: is the root).
        auto convert = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        if (convert != nullptr) {
            std::wstring wide(windowsPath.begin(), windowsPath.end());
            unix = convert(wide.c_str());
        }
        if (unix == nullptr)
            return windowsPath;
        std::string result(unix);
        HeapFree(GetProcessHeap(), 0, unix);
        return result;
    }

    void SetUp() override {
        const char* out = std::getenv("VISTREL_TEST_AUDIO_OUT");
        ASSERT_NE(out, nullptr) << "run under wine-session.sh --audio-file";
        outFile = out;
        DeleteFileA(outFile.c_str());
        player = std::make_unique<TMediaPlayer>(nullptr);
        player->SetVisibleButtons({});
        player->OnNotify = [this](ui::TComponent*) { notifies.push_back(player->NotifyValue()); };
    }

    void TearDown() override { player.reset(); }

    std::string Played() { return ReadFile(outFile); }

    bool PumpUntil(const std::function<bool()>& done, unsigned ms) {
        return wtest::PumpUntil(platform.Loop(), done, ms);
    }
    void PumpFor(unsigned ms) { wtest::PumpFor(platform.Loop(), ms); }
    std::size_t OpenDevices() {
        return static_cast<os::Win32Mci&>(platform.Media()).OpenDeviceCount();
    }

    static inline std::string folder;
    os::Win32Platform platform;
    os::ScopedPlatform installed{platform};
    std::unique_ptr<TMediaPlayer> player;
    std::vector<platform::TMPNotifyValues> notifies;
    std::string outFile;
};

TEST_F(MciDevice, AWavePlaysToItsEndNotificationAndComesOutByteForByteAgainAfterItsEnd) {
    player->SetNotify(true); // as the program does once at start: the open notifies too
    player->SetFileName(folder + "short.wav");
    player->Open();
    EXPECT_EQ(player->Length(), 1500u);
    EXPECT_TRUE(player->ButtonEnabled(platform::btPlay));
    player->Play();
    ASSERT_EQ(player->Error(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return notifies.size() >= 2; }, 5000)) << "no end notification";
    EXPECT_EQ(notifies[0], platform::nvSuccessful); // the open
    EXPECT_EQ(notifies[1], platform::nvSuccessful); // the play's end
    EXPECT_EQ(player->Mode(), platform::mpStopped);
    EXPECT_EQ(player->Position(), player->Length());
    const std::string samples = WaveSamples(ReadFile(folder + "short.wav"));
    ASSERT_EQ(samples.size(), 1500u * 441 / 10 * 4);
    // The sound output may still be writing its last buffer when the notification comes.
    EXPECT_TRUE(PumpUntil([&] { return Played() == samples; }, 2000))
        << "the samples came out changed";

    // Played again after its end, it starts from the beginning. (The output file starts
    // afresh each time the device opens the sound output.)
    player->Play();
    ASSERT_TRUE(PumpUntil([&] { return notifies.size() >= 3; }, 5000));
    EXPECT_EQ(notifies[2], platform::nvSuccessful);
    player->Close();
    EXPECT_EQ(OpenDevices(), 0u);
    EXPECT_TRUE(Played() == samples) << "the second play was not the whole piece";
}

TEST_F(MciDevice, AOneLinePlaylistPlaysTheFileItNames) {
    player->SetFileName(folder + "short.m3u");
    player->Open();
    player->Play();
    ASSERT_TRUE(PumpUntil([&] { return !notifies.empty(); }, 5000));
    EXPECT_EQ(notifies[0], platform::nvSuccessful);
    player->Close();
    EXPECT_TRUE(Played() == WaveSamples(ReadFile(folder + "short.wav")));
}

TEST_F(MciDevice, AnMp3PlaysToItsEndAndSounds) {
    player->SetFileName(folder + "tone.mp3");
    if (std::getenv("VISTREL_TEST_NO_DECODERS") != nullptr) {
        // Without the system's MP3 decoders the device cannot open: a clear error, nothing open.
        std::string message;
        try {
            player->Open();
        } catch (const platform::EMCIDeviceError& e) {
            message = e.what();
        }
        char expected[256] = {};
        mciGetErrorStringA(player->Error(), expected, sizeof expected);
        EXPECT_NE(message, "");
        EXPECT_EQ(message, expected);
        EXPECT_FALSE(player->Opened());
        EXPECT_EQ(OpenDevices(), 0u);
        return;
    }
    player->Open();
    EXPECT_NEAR(static_cast<double>(player->Length()), 2000.0, 100.0);
    const ULONGLONG started = GetTickCount64();
    player->Play();
    ASSERT_EQ(player->Error(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return !notifies.empty(); }, 10000)) << "no end notification";
    EXPECT_EQ(notifies[0], platform::nvSuccessful);
    EXPECT_GE(GetTickCount64() - started, 1500u) << "ended long before its length";
    EXPECT_EQ(player->Mode(), platform::mpStopped);
    player->Close();
    // Whatever format the decoder chose (and the silence the output is fed after the end), two
    // seconds of a tone give a good part of a second's worth of bytes that are not zero.
    const std::string played = Played();
    std::size_t nonZero = 0;
    for (char c : played)
        nonZero += c != 0 ? 1 : 0;
    EXPECT_GT(nonZero, 44100u * 2 * 2) << "the MP3 came out silent";
}

TEST_F(MciDevice, StopPauseAndResumeHoldThePlaceAndTheEndStillComes) {
    player->SetFileName(folder + "long.wav");
    player->Open();
    player->Play();
    ASSERT_TRUE(PumpUntil([&] { return player->Position() > 500; }, 5000));
    player->Stop();
    EXPECT_EQ(player->Error(), 0u);
    EXPECT_EQ(player->Mode(), platform::mpStopped);
    PumpUntil([&] { return !notifies.empty(); }, 1000);
    ASSERT_EQ(notifies.size(), 1u);
    EXPECT_EQ(notifies[0], platform::nvAborted) << "the play's notification ends with the stop";
    const os::DWORD stoppedAt = player->Position();
    EXPECT_LT(stoppedAt, 12000u);
    PumpFor(300);
    EXPECT_EQ(player->Position(), stoppedAt);

    player->Play(); // goes on from where it stopped
    ASSERT_TRUE(PumpUntil([&] { return player->Position() > stoppedAt + 500; }, 5000));
    player->Pause();
    EXPECT_EQ(player->Mode(), platform::mpPaused);
    const os::DWORD pausedAt = player->Position();
    PumpFor(300);
    EXPECT_EQ(player->Position(), pausedAt);
    player->Pause(); // a paused player resumes
    EXPECT_EQ(player->Mode(), platform::mpPlaying);
    ASSERT_TRUE(PumpUntil([&] { return notifies.size() >= 2; }, 15000)) << "no end notification";
    EXPECT_EQ(notifies.back(), platform::nvSuccessful);
    player->Close();
    // What sounded from the play after the stop on (the output file starts afresh when the
    // sound output opens again) is the rest of the piece, taken up from about where it
    // stopped. (The piece is a sweep, so a stretch of it is found in one place only.)
    const std::string samples = WaveSamples(ReadFile(folder + "long.wav"));
    const std::string played = Played();
    ASSERT_GT(played.size(), 4096u);
    const std::size_t offset = samples.find(played.substr(0, 4096));
    ASSERT_NE(offset, std::string::npos) << "the output is not the piece";
    const double bytesPerMs = 44100.0 * 4 / 1000;
    EXPECT_NEAR(offset / bytesPerMs, stoppedAt, 300) << "it did not go on from the stop";
    EXPECT_NEAR(static_cast<double>(played.size()), static_cast<double>(samples.size() - offset),
                300 * bytesPerMs)
        << "the rest of the piece did not sound once";
}

TEST_F(MciDevice, AFileThatCannotBePlayedGivesTheSystemsTextAndLeavesThePlayerClosed) {
    for (const char* name : {"notes.wav", "missing.wav", "empty.m3u", "missing.m3u"}) {
        player->SetFileName(folder + name);
        std::string message;
        try {
            player->Open();
        } catch (const platform::EMCIDeviceError& e) {
            message = e.what();
        }
        char expected[256] = {};
        mciGetErrorStringA(player->Error(), expected, sizeof expected);
        EXPECT_NE(message, "") << name << " opened";
        EXPECT_EQ(message, expected) << name;
        EXPECT_FALSE(player->Opened()) << name;
        EXPECT_EQ(player->DeviceID(), 0) << name;
        EXPECT_EQ(player->Mode(), platform::mpNotReady)
            << name << ": a closed player reads stopped";
    }
    EXPECT_EQ(OpenDevices(), 0u);
    EXPECT_THROW(player->Play(), platform::EMCIDeviceError);
}

// Without a MIDI device, the sequencer opens and then "plays" at position 0 forever without a
// notification (Wine does so here; a real machine without a synthesiser can do the same). The
// device must still close at once, again and again, leaving nothing open.
TEST_F(MciDevice, ASequencerThatNeverAdvancesStillClosesAndNothingPilesUp) {
    for (int rest = 0; rest < 5; ++rest) {
        player->SetFileName(folder + "tune.mid");
        player->Open();
        player->Play();
        PumpFor(rest == 0 ? 1500 : 100);
        if (rest == 0 && midiOutGetNumDevs() == 0) {
            EXPECT_TRUE(notifies.empty());
            EXPECT_EQ(player->Position(), 0u) << "the sequencer advanced after all";
        }
        const ULONGLONG started = GetTickCount64();
        player->Close();
        EXPECT_EQ(player->Error(), 0u);
        EXPECT_LT(GetTickCount64() - started, 1000u) << "closing the sequencer stalled";
        EXPECT_EQ(OpenDevices(), 0u);
    }
}

TEST_F(MciDevice, TheDeviceClosesWhatIsStillOpenWhenItGoes) {
    os::MCIDEVICEID ids[2] = {};
    {
        os::Win32Mci device;
        const std::string files[] = {folder + "long.wav", folder + "tone.mp3"};
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(device.Open("", files[i], MCI_OPEN_ELEMENT | MCI_WAIT, 0, ids[i]), 0u);
            ASSERT_EQ(device.Play(ids[i], 0, 0, 0, 0), 0u);
        }
    }
    for (os::MCIDEVICEID id : ids) {
        MCI_STATUS_PARMS status{};
        status.dwItem = MCI_STATUS_MODE;
        EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                                  reinterpret_cast<DWORD_PTR>(&status)),
                  static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID))
            << "device " << id << " is still open";
    }
}

} // namespace
