// The Linux audio device end to end: real files decoded by SDL2_mixer (MIDI through FluidSynth
// and the General MIDI sound font), written by SDL's disk driver into a file we inspect, with
// the end notifications travelling through the real message loop; then the media player on
// the real platform.
#include "os/linux/LinuxMci.h"
#include "os/linux/LinuxMessageLoop.h"
#include "os/linux/LinuxPlatform.h"
#include "platform/MPlayer.h"

#include "../fake/NamedPipe.h"
#include "LinuxTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

// One platform for the whole program: the toolkit's application object exists only once.
os::LinuxPlatform& Platform() {
    static int argc = 1;
    static char name[] = "vistrel_audio_tests";
    static char* argv[] = {name, nullptr};
    static os::LinuxPlatform platform(argc, argv);
    return platform;
}

os::LinuxMessageLoop& Loop() {
    return Platform().NativeLoop();
}

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 20s) {
    return ostest::WaitUntil(
        [&] {
            Loop().ProcessMessages();
            return condition();
        },
        deadline);
}

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A mono 16-bit sine tone.
std::string Wave(int milliseconds) {
    const int rate = 22050;
    const int samples = rate * milliseconds / 1000;
    std::string out = "RIFF";
    Put32(out, static_cast<std::uint32_t>(36 + samples * 2));
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, rate);
    Put32(out, rate * 2);
    Put16(out, 2);
    Put16(out, 16);
    out += "data";
    Put32(out, static_cast<std::uint32_t>(samples * 2));
    for (int i = 0; i < samples; ++i) {
        double v = 0.5 * std::sin(2 * 3.14159265358979 * 440.0 * i / rate);
        Put16(out, static_cast<unsigned>(static_cast<std::int16_t>(v * 32767)) & 0xFFFF);
    }
    return out;
}

// Notes of a quarter second each at 120 beats a minute, four to a second, after the setup
// events (a piano by default), on the given channels in turn.
std::string Midi(int notes = 4, const std::vector<std::vector<int>>& setup = {{0xC0, 0x00}},
                 const std::vector<int>& channels = {0}) {
    std::string track;
    auto event = [&](int delta, std::initializer_list<int> bytes) {
        track += static_cast<char>(delta > 127 ? 0x80 | (delta >> 7) : delta);
        if (delta > 127)
            track += static_cast<char>(delta & 0x7F);
        for (int b : bytes)
            track += static_cast<char>(b);
    };
    event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    for (const std::vector<int>& bytes : setup) {
        track += '\0';
        for (int b : bytes)
            track += static_cast<char>(b);
    }
    for (int i = 0; i < notes; ++i) {
        const int note = 60 + (i % 4) * 4;
        const int channel = channels[static_cast<std::size_t>(i) % channels.size()];
        event(0, {0x90 | channel, note, 110});
        event(240, {0x80 | channel, note, 0});
    }
    event(0, {0xFF, 0x2F, 0x00});
    std::string out = "MThd";
    out += std::string("\0\0\0\x06\0\0\0\x01\x01\xE0", 10);
    out += "MTrk";
    std::uint32_t n = static_cast<std::uint32_t>(track.size());
    out += static_cast<char>(n >> 24);
    out += static_cast<char>(n >> 16);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(n);
    return out + track;
}

// Records the notifications that reach a window of the loop.
class Receiver {
public:
    Receiver() {
        window_ = Loop().CreateMessageWindow([this](os::UINT msg, os::WPARAM w, os::LPARAM l) {
            if (msg == os::MM_MCINOTIFY)
                Notes.emplace_back(w, l);
            return os::LRESULT{0};
        });
    }
    ~Receiver() { Loop().DestroyWindow(window_); }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;
    os::HWND Window() const { return window_; }
    std::vector<std::pair<os::WPARAM, os::LPARAM>> Notes;

private:
    os::HWND window_ = 0;
};

class AudioDevice : public ::testing::Test {
protected:
    void SetUp() override {
        Loop();
        mci = std::make_unique<os::LinuxMci>(Loop());
    }
    void TearDown() override { mci.reset(); }

    std::string Write(const std::string& name, const std::string& content) {
        std::string path = dir / name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        ostest::WriteText(path, content);
        return path;
    }
    os::MCIDEVICEID OpenOk(const std::string& path) {
        os::MCIDEVICEID id = 0;
        os::MCIERROR error =
            mci->Open("", path, os::MCI_OPEN_ELEMENT | os::MCI_WAIT, rx.Window(), id);
        std::string text;
        mci->GetErrorString(error, text);
        EXPECT_EQ(error, 0u) << text;
        EXPECT_NE(id, 0);
        return id;
    }
    // What the open failed with: its code and text.
    std::pair<os::MCIERROR, std::string> OpenFails(const std::string& path) {
        os::MCIDEVICEID id = 77;
        os::MCIERROR error =
            mci->Open("", path, os::MCI_OPEN_ELEMENT | os::MCI_WAIT, rx.Window(), id);
        EXPECT_NE(error, 0u);
        EXPECT_EQ(id, 0);
        std::string text;
        EXPECT_TRUE(mci->GetErrorString(error, text));
        return {error, text};
    }
    os::DWORD Status(os::MCIDEVICEID id, os::DWORD item) {
        os::DWORD value = 0;
        EXPECT_EQ(mci->Status(id, os::MCI_STATUS_ITEM | os::MCI_WAIT, item, value), 0u);
        return value;
    }
    bool WaitForNote(std::size_t count) {
        return PumpUntil([&] { return rx.Notes.size() >= count; });
    }
    // The loudest sample the disk driver wrote (signed 16-bit frames).
    int PeakOfOutput() {
        std::string raw = ostest::ReadText(output);
        int peak = 0;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            auto sample = static_cast<std::int16_t>(static_cast<std::uint8_t>(raw[i]) |
                                                    (static_cast<std::uint8_t>(raw[i + 1]) << 8));
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        }
        return peak;
    }

    ostest::TempDir dir;
    std::string output = dir / "out.raw";
    ostest::ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    ostest::ScopedEnv outputFile{"SDL_DISKAUDIOFILE", output};
    Receiver rx;
    std::unique_ptr<os::LinuxMci> mci;
};

using Note = std::pair<os::WPARAM, os::LPARAM>;

TEST_F(AudioDevice, WavePlaysThroughAndNotifiesItsEnd) {
    os::MCIDEVICEID id = OpenOk(Write("tone.wav", Wave(600)));
    os::DWORD value = 0;
    EXPECT_EQ(mci->GetDevCaps(id, os::MCI_GETDEVCAPS_ITEM, os::MCI_GETDEVCAPS_DEVICE_TYPE, value),
              0u);
    EXPECT_EQ(value, os::MCI_DEVTYPE_WAVEFORM_AUDIO);
    EXPECT_EQ(Status(id, os::MCI_STATUS_LENGTH), 600u);
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_STOP);

    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_PLAY);
    EXPECT_TRUE(rx.Notes.empty()) << "the play returns at once";
    ASSERT_TRUE(WaitForNote(1));
    EXPECT_EQ(rx.Notes[0], Note(os::MCI_NOTIFY_SUCCESSFUL, id));
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_STOP);
    EXPECT_EQ(Status(id, os::MCI_STATUS_POSITION), Status(id, os::MCI_STATUS_LENGTH));

    // A play at the end has nothing left to play and is done at once; after a seek to the
    // start the piece plays again.
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_TRUE(WaitForNote(2));
    EXPECT_EQ(rx.Notes[1], Note(os::MCI_NOTIFY_SUCCESSFUL, id));
    ASSERT_EQ(mci->Seek(id, os::MCI_SEEK_TO_START | os::MCI_WAIT, 0, 0), 0u);
    EXPECT_EQ(Status(id, os::MCI_STATUS_POSITION), 0u);
    ASSERT_EQ(mci->Play(id, 0, rx.Window(), 0, 0), 0u);
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_PLAY);
    EXPECT_TRUE(PumpUntil([&] { return Status(id, os::MCI_STATUS_MODE) == os::MCI_MODE_STOP; }));

    EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
    EXPECT_GT(PeakOfOutput(), 8000);
}

TEST_F(AudioDevice, MidiPlaysThroughTheSoundFont) {
    os::MCIDEVICEID id = OpenOk(Write("song.mid", Midi()));
    os::DWORD value = 0;
    EXPECT_EQ(mci->GetDevCaps(id, os::MCI_GETDEVCAPS_ITEM, os::MCI_GETDEVCAPS_DEVICE_TYPE, value),
              0u);
    EXPECT_EQ(value, os::MCI_DEVTYPE_SEQUENCER);
    EXPECT_EQ(Status(id, os::MCI_STATUS_LENGTH), 1000u);

    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Status(id, os::MCI_STATUS_POSITION) > 0; }));
    ASSERT_TRUE(WaitForNote(1));
    EXPECT_EQ(rx.Notes[0], Note(os::MCI_NOTIFY_SUCCESSFUL, id));
    EXPECT_EQ(Status(id, os::MCI_STATUS_POSITION), 1000u);
    EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
    // About a quarter of full scale, as loud as the mixer's own music; the synthesiser's
    // default gain would give a fifth of that.
    EXPECT_GT(PeakOfOutput(), 4000) << "silent or too quiet: did the sound font load?";
}

TEST_F(AudioDevice, MidiPausesStopsAndPlaysAgainLikeAnyPiece) {
    os::MCIDEVICEID id = OpenOk(Write("long.mid", Midi(12)));
    EXPECT_EQ(Status(id, os::MCI_STATUS_LENGTH), 3000u);
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Status(id, os::MCI_STATUS_POSITION) >= 300; }));

    ASSERT_EQ(mci->Pause(id, os::MCI_WAIT, 0), 0u);
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_PAUSE);
    os::DWORD pausedAt = Status(id, os::MCI_STATUS_POSITION);
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(Status(id, os::MCI_STATUS_POSITION), pausedAt);
    ASSERT_EQ(mci->Resume(id, os::MCI_WAIT, 0), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Status(id, os::MCI_STATUS_POSITION) > pausedAt; }));

    // A stop holds the place; the next play goes on from it.
    ASSERT_EQ(mci->Stop(id, os::MCI_WAIT, 0), 0u);
    ASSERT_TRUE(WaitForNote(1));
    EXPECT_EQ(rx.Notes[0], Note(os::MCI_NOTIFY_ABORTED, id));
    os::DWORD stoppedAt = Status(id, os::MCI_STATUS_POSITION);
    EXPECT_GT(stoppedAt, pausedAt);
    EXPECT_LT(stoppedAt, 3000u);
    ASSERT_EQ(mci->Play(id, 0, rx.Window(), 0, 0), 0u);
    EXPECT_GE(Status(id, os::MCI_STATUS_POSITION), stoppedAt);

    // After a seek to the start the piece plays from its beginning to its end.
    ASSERT_EQ(mci->Seek(id, os::MCI_SEEK_TO_START | os::MCI_WAIT, 0, 0), 0u);
    EXPECT_EQ(Status(id, os::MCI_STATUS_POSITION), 0u);
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_STOP);
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    EXPECT_LT(Status(id, os::MCI_STATUS_POSITION), stoppedAt);
    ASSERT_TRUE(WaitForNote(2));
    EXPECT_EQ(rx.Notes[1], Note(os::MCI_NOTIFY_SUCCESSFUL, id));
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_STOP);
    EXPECT_EQ(Status(id, os::MCI_STATUS_POSITION), 3000u);
    EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
    EXPECT_GT(PeakOfOutput(), 1000);
}

TEST_F(AudioDevice, MidiIsKnownByItsContentAndItsWrapper) {
    // An RMID file (the standard file in the "data" chunk of a RIFF container) under a name
    // that says nothing.
    std::string song = Midi();
    std::string riff = "RIFF";
    const auto size = static_cast<std::uint32_t>(4 + 8 + song.size());
    for (int shift = 0; shift < 32; shift += 8)
        riff += static_cast<char>((size >> shift) & 0xFF);
    riff += "RMIDdata";
    for (int shift = 0; shift < 32; shift += 8)
        riff += static_cast<char>((song.size() >> shift) & 0xFF);
    os::MCIDEVICEID id = OpenOk(Write("song.bin", riff + song));
    os::DWORD value = 0;
    EXPECT_EQ(mci->GetDevCaps(id, os::MCI_GETDEVCAPS_ITEM, os::MCI_GETDEVCAPS_DEVICE_TYPE, value),
              0u);
    EXPECT_EQ(value, os::MCI_DEVTYPE_SEQUENCER);
    EXPECT_EQ(Status(id, os::MCI_STATUS_LENGTH), 1000u);
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_TRUE(WaitForNote(1));
    EXPECT_EQ(rx.Notes[0], Note(os::MCI_NOTIFY_SUCCESSFUL, id));
    EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
    EXPECT_GT(PeakOfOutput(), 1000) << "the wrapper reached the synthesiser";
}

TEST_F(AudioDevice, MidiSoundsTheSameFromTheSoundFontsPresetsItUsesAsFromTheWholeFont) {
    // Strings and a flute from bank 0, an organ asked for in bank 8 (which falls back to bank
    // 0), and the drum kit TR 808 (bank 128).
    const std::vector<std::vector<int>> setup = {
        {0xC0, 48}, {0xC1, 73}, {0xB2, 0x00, 8}, {0xC2, 19}, {0xC9, 25}};
    const std::vector<int> channels = {0, 1, 2, 9};
    // The samples from the first sound on.
    auto render = [&](const std::string& name, std::vector<std::vector<int>> events) {
        os::MCIDEVICEID id = OpenOk(Write(name, Midi(8, events, channels)));
        EXPECT_EQ(mci->Play(id, os::MCI_WAIT, 0, 0, 0), 0u);
        EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
        std::string raw = ostest::ReadText(output);
        std::vector<int> samples;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
            samples.push_back(static_cast<std::int16_t>(
                static_cast<std::uint8_t>(raw[i]) | (static_cast<std::uint8_t>(raw[i + 1]) << 8)));
        auto first = std::find_if(samples.begin(), samples.end(),
                                  [](int sample) { return std::abs(sample) > 100; });
        samples.erase(samples.begin(), samples.begin() + ((first - samples.begin()) & ~1));
        return samples;
    };
    const std::vector<int> subset = render("subset.mid", setup);
    // A system-exclusive message the synthesiser ignores, but which could have changed which
    // channels are drums: the whole font is loaded.
    std::vector<std::vector<int>> whole = setup;
    whole.insert(whole.begin(), {0xF0, 0x02, 0x7D, 0xF7});
    const std::vector<int> reference = render("whole.mid", whole);
    ASSERT_GT(reference.size(), 44100u * 2 * 2) << "two seconds of sound";
    EXPECT_NEAR(static_cast<double>(subset.size()), static_cast<double>(reference.size()), 64.0);
    // The same but for the dither noise, which goes on from one synthesiser to the next.
    int largest = 0;
    for (std::size_t i = 0; i < std::min(subset.size(), reference.size()); ++i)
        largest = std::max(largest, std::abs(subset[i] - reference[i]));
    EXPECT_LE(largest, 2);
}

// Whether the process has a library of that name mapped.
bool Mapped(const std::string& library) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(library) != std::string::npos)
            return true;
    return false;
}

TEST_F(AudioDevice, AudioLibrariesAreLoadedOnlyWhileAPieceIsOpen) {
    ASSERT_FALSE(Mapped("libSDL2_mixer")) << "loaded before any piece was opened";
    std::string song = Write("song.mid", Midi());
    for (int round = 1; round <= 2; ++round) {
        // The second round loads everything anew, synthesiser and sound font included.
        os::MCIDEVICEID id = OpenOk(song);
        EXPECT_TRUE(Mapped("libSDL2_mixer"));
        EXPECT_TRUE(Mapped("libfluidsynth"));
        ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
        ASSERT_TRUE(WaitForNote(static_cast<std::size_t>(round))) << "round " << round;
        EXPECT_EQ(rx.Notes.back(), Note(os::MCI_NOTIFY_SUCCESSFUL, id));
        EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
        EXPECT_FALSE(Mapped("libSDL2_mixer")) << "round " << round;
        EXPECT_FALSE(Mapped("libSDL2-2.0")) << "round " << round;
        EXPECT_FALSE(Mapped("libfluidsynth")) << "round " << round;
    }
}

TEST_F(AudioDevice, Mp3PlaysFromWhereItWasSeekedTo) {
    std::string wave = Write("tone.wav", Wave(1500));
    std::string mp3 = dir / "tone.mp3";
    ASSERT_EQ(std::system(("lame --quiet '" + wave + "' '" + mp3 + "'").c_str()), 0)
        << "the lame encoder is needed to make an MP3 file";
    os::MCIDEVICEID id = OpenOk(mp3);
    os::DWORD length = Status(id, os::MCI_STATUS_LENGTH);
    EXPECT_NEAR(static_cast<double>(length), 1500.0, 120.0); // frames round it up
    ASSERT_EQ(mci->Seek(id, os::MCI_TO | os::MCI_WAIT, 1000, 0), 0u);
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    EXPECT_GE(Status(id, os::MCI_STATUS_POSITION), 1000u);
    ASSERT_TRUE(WaitForNote(1));
    EXPECT_EQ(rx.Notes[0], Note(os::MCI_NOTIFY_SUCCESSFUL, id));
    EXPECT_EQ(Status(id, os::MCI_STATUS_POSITION), length);
    EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
    EXPECT_GT(PeakOfOutput(), 8000);
}

TEST_F(AudioDevice, PlaylistPlaysTheFileItNames) {
    std::string wave = Write("Elsewhere/tone.wav", Wave(700));
    // The form the music page writes: the full path and a line end.
    os::MCIDEVICEID id = OpenOk(Write("Music/tone.m3u", wave + "\r\n"));
    EXPECT_EQ(Status(id, os::MCI_STATUS_LENGTH), 700u);
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_TRUE(WaitForNote(1));
    EXPECT_EQ(rx.Notes[0], Note(os::MCI_NOTIFY_SUCCESSFUL, id));
    EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
    EXPECT_GT(PeakOfOutput(), 8000);

    // Comments and blank lines are passed over; a relative entry lies beside the playlist.
    Write("Elsewhere/short.wav", Wave(300));
    id = OpenOk(Write("Elsewhere/list.m3u", "\xEF\xBB\xBF#EXTM3U\n\n  short.wav  \ntone.wav\n"));
    EXPECT_EQ(Status(id, os::MCI_STATUS_LENGTH), 300u);
    EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
}

TEST_F(AudioDevice, StopAbortsSupersedingReplacesAndCloseAbortsTheNotification) {
    os::MCIDEVICEID id = OpenOk(Write("long.wav", Wave(3000)));
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Status(id, os::MCI_STATUS_POSITION) >= 200; }));
    ASSERT_EQ(mci->Stop(id, os::MCI_WAIT, 0), 0u);
    ASSERT_TRUE(WaitForNote(1));
    EXPECT_EQ(rx.Notes[0], Note(os::MCI_NOTIFY_ABORTED, id));
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_STOP);
    os::DWORD stoppedAt = Status(id, os::MCI_STATUS_POSITION);
    EXPECT_GE(stoppedAt, 200u);
    EXPECT_LT(stoppedAt, 3000u);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Status(id, os::MCI_STATUS_POSITION), stoppedAt);

    // A second play with a notification supersedes the first one's; the play goes on from
    // where it stopped.
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_TRUE(WaitForNote(2));
    EXPECT_EQ(rx.Notes[1], Note(os::MCI_NOTIFY_SUPERSEDED, id));
    EXPECT_GE(Status(id, os::MCI_STATUS_POSITION), stoppedAt);

    ASSERT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
    ASSERT_TRUE(WaitForNote(3));
    EXPECT_EQ(rx.Notes[2], Note(os::MCI_NOTIFY_ABORTED, id));
    os::DWORD mode = 0;
    EXPECT_EQ(mci->Status(id, os::MCI_STATUS_ITEM, os::MCI_STATUS_MODE, mode),
              os::MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(mode, os::MCI_MODE_NOT_READY);
    // Nothing arrives later from the closed device.
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(rx.Notes.size(), 3u);
}

TEST_F(AudioDevice, PauseHoldsThePositionAndResumeGoesOn) {
    os::MCIDEVICEID id = OpenOk(Write("tone.wav", Wave(1200)));
    ASSERT_EQ(mci->Play(id, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Status(id, os::MCI_STATUS_POSITION) >= 200; }));
    ASSERT_EQ(mci->Pause(id, os::MCI_WAIT, 0), 0u);
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_PAUSE);
    os::DWORD pausedAt = Status(id, os::MCI_STATUS_POSITION);
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(Status(id, os::MCI_STATUS_POSITION), pausedAt);
    EXPECT_TRUE(rx.Notes.empty());
    ASSERT_EQ(mci->Resume(id, os::MCI_WAIT, 0), 0u);
    EXPECT_EQ(Status(id, os::MCI_STATUS_MODE), os::MCI_MODE_PLAY);
    ASSERT_TRUE(WaitForNote(1));
    EXPECT_EQ(rx.Notes[0], Note(os::MCI_NOTIFY_SUCCESSFUL, id));
    EXPECT_EQ(mci->Resume(id, os::MCI_WAIT, 0), os::MCIERR_NONAPPLICABLE_FUNCTION);
}

TEST_F(AudioDevice, AnotherDeviceTakesTheOutputOver) {
    os::MCIDEVICEID first = OpenOk(Write("a.wav", Wave(3000)));
    os::MCIDEVICEID second = OpenOk(Write("b.wav", Wave(300)));
    ASSERT_NE(first, second);
    ASSERT_EQ(mci->Play(first, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    ASSERT_EQ(mci->Play(second, os::MCI_NOTIFY, rx.Window(), 0, 0), 0u);
    EXPECT_EQ(Status(first, os::MCI_STATUS_MODE), os::MCI_MODE_STOP);
    EXPECT_EQ(Status(second, os::MCI_STATUS_MODE), os::MCI_MODE_PLAY);
    ASSERT_TRUE(WaitForNote(2));
    EXPECT_EQ(rx.Notes[0], Note(os::MCI_NOTIFY_ABORTED, first));
    EXPECT_EQ(rx.Notes[1], Note(os::MCI_NOTIFY_SUCCESSFUL, second));
    EXPECT_EQ(Status(first, os::MCI_STATUS_MODE), os::MCI_MODE_STOP);
}

TEST_F(AudioDevice, FilesThatCannotBePlayedGiveClearErrors) {
    std::string missing = dir / "missing.wav";
    auto [code, text] = OpenFails(missing);
    EXPECT_EQ(code, os::MCIERR_FILE_NOT_FOUND);
    EXPECT_EQ(text, "Cannot open " + missing + ": the file does not exist");

    std::string junk = Write("junk.mid", "this is a text file, not music\n");
    std::tie(code, text) = OpenFails(junk);
    EXPECT_EQ(code, os::MCIERR_INVALID_FILE);
    EXPECT_EQ(text.rfind("Cannot open " + junk + ": ", 0), 0u) << text;
    EXPECT_GT(text.size(), ("Cannot open " + junk + ": ").size()) << "the reason is missing";

    std::string empty = Write("empty.m3u", "# nothing here\r\n\r\n");
    std::tie(code, text) = OpenFails(empty);
    EXPECT_EQ(text, "Cannot open " + empty + ": the playlist names no file");

    std::string dangling = Write("dangling.m3u", "/nowhere/song.mp3\r\n");
    std::tie(code, text) = OpenFails(dangling);
    EXPECT_EQ(code, os::MCIERR_FILE_NOT_FOUND);
    EXPECT_EQ(text,
              "Cannot open " + dangling + ": the file it names, /nowhere/song.mp3, does not exist");

    // After all that, a playable file still opens.
    os::MCIDEVICEID id = OpenOk(Write("tone.wav", Wave(200)));
    EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
}

TEST_F(AudioDevice, NamedPipesAreRefusedWithoutWaitingForAWriter) {
    // Picked from the music folder, named by a playlist, or a playlist itself.
    const std::string pipe = testpipe::MakeNamedPipe(dir / "Pipe.mid");
    const std::string naming = Write("naming.m3u", pipe + "\n");
    const std::string list = testpipe::MakeNamedPipe(dir / "Pipe.m3u");
    std::pair<os::MCIERROR, std::string> failed;
    EXPECT_TRUE(testpipe::ReturnsWithoutAWriter(pipe, [&] { failed = OpenFails(pipe); }));
    EXPECT_EQ(failed.first, os::MCIERR_INVALID_FILE);
    EXPECT_EQ(failed.second, "Cannot open " + pipe + ": the file is not a regular file");
    EXPECT_TRUE(testpipe::ReturnsWithoutAWriter(pipe, [&] { failed = OpenFails(naming); }));
    EXPECT_EQ(failed.second,
              "Cannot open " + naming + ": the file it names, " + pipe + ", is not a regular file");
    EXPECT_TRUE(testpipe::ReturnsWithoutAWriter(list, [&] { failed = OpenFails(list); }));
    EXPECT_EQ(failed.first, os::MCIERR_INVALID_FILE);
}

TEST_F(AudioDevice, NoAudioOutputIsAnOpenErrorNotACrash) {
    std::string wave = Write("tone.wav", Wave(200));
    {
        ostest::ScopedEnv none("SDL_AUDIODRIVER", "no-such-driver");
        auto [code, text] = OpenFails(wave);
        EXPECT_EQ(text.rfind("Cannot open " + wave + ": no audio output is available (", 0), 0u)
            << text;
    }
    // The output is tried again at the next open.
    os::MCIDEVICEID id = OpenOk(wave);
    EXPECT_EQ(mci->Close(id, os::MCI_WAIT, 0), 0u);
}

// ---- The media player on the real platform ----------------------------------------------

using namespace platform;

class PlayerOnLinux : public AudioDevice {
protected:
    void SetUp() override {
        AudioDevice::SetUp();
        installed = std::make_unique<os::ScopedPlatform>(Platform());
        player = std::make_unique<TMediaPlayer>(nullptr);
        player->SetVisibleButtons({btPlay, btStop});
        player->SetBounds(0, 0, 57, 24);
        player->OnNotify = [this](ui::TComponent*) { ++notes; };
    }
    void TearDown() override {
        player.reset();
        installed.reset();
        AudioDevice::TearDown();
    }
    void Click(int x) {
        player->MouseDown(ui::TMouseButton::mbLeft, ui::ssLeft, x, 10);
        player->MouseUp(ui::TMouseButton::mbLeft, 0, x, 10);
    }

    std::unique_ptr<os::ScopedPlatform> installed;
    std::unique_ptr<TMediaPlayer> player;
    int notes = 0;
};

TEST_F(PlayerOnLinux, PreviewPlaysToItsEndAndAgainFromTheStart) {
    player->SetFileName(Write("tone.wav", Wave(500)));
    player->Open();
    EXPECT_EQ(player->Length(), 500u);
    EXPECT_TRUE(player->ButtonEnabled(btPlay));
    EXPECT_FALSE(player->ButtonEnabled(btStop));
    Click(10); // Play
    EXPECT_EQ(player->Mode(), mpPlaying);
    EXPECT_FALSE(player->ButtonEnabled(btPlay));
    EXPECT_TRUE(player->ButtonEnabled(btStop));
    ASSERT_TRUE(PumpUntil([&] { return notes == 1; }));
    EXPECT_EQ(player->NotifyValue(), nvSuccessful);
    EXPECT_EQ(player->Mode(), mpStopped);
    EXPECT_TRUE(player->ButtonEnabled(btPlay));
    EXPECT_FALSE(player->ButtonEnabled(btStop));

    // At its end the piece is rewound and plays once more.
    player->Play();
    EXPECT_EQ(player->Mode(), mpPlaying);
    ASSERT_TRUE(PumpUntil([&] { return notes == 2; }));
    EXPECT_EQ(player->NotifyValue(), nvSuccessful);

    // Stop during a play: the play's notice reports it aborted.
    Click(10);
    ASSERT_TRUE(PumpUntil([&] { return player->Position() > 100; }));
    Click(40); // Stop
    ASSERT_TRUE(PumpUntil([&] { return notes == 3; }));
    EXPECT_EQ(player->NotifyValue(), nvAborted);
    EXPECT_EQ(player->Mode(), mpStopped);
    player->Close();
    EXPECT_EQ(player->Mode(), mpNotReady);
    EXPECT_GT(PeakOfOutput(), 8000);
}

TEST_F(PlayerOnLinux, MusicPageEntryPlaysTheMidiFileItNames) {
    std::string song = Write("Songs/Night.mid", Midi());
    player->SetFileName(Write("Music/Night.m3u", song + "\r\n"));
    player->SetNotify(true);
    player->Open();
    EXPECT_EQ(player->Length(), 1000u);
    player->Play();
    ASSERT_TRUE(PumpUntil([&] { return notes >= 2; })) << "the open's notice, then the end";
    EXPECT_EQ(player->NotifyValue(), nvSuccessful);
    EXPECT_EQ(player->Mode(), mpStopped);
    player->Close();
    EXPECT_GT(PeakOfOutput(), 1000);
}

TEST_F(PlayerOnLinux, FileThatCannotBePlayedRaisesWithItsName) {
    std::string junk = Write("Music/readme.mid", "not music at all");
    player->SetFileName(junk);
    try {
        player->Open();
        FAIL() << "no error";
    } catch (const EMCIDeviceError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open " + junk + ": the file is not a MIDI file");
    }
    EXPECT_EQ(player->DeviceID(), 0);
    EXPECT_EQ(player->Mode(), mpNotReady);
}

} // namespace
