#include "os/linux/MidiLength.h"

#include "LinuxTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Vlq(Bytes& out, std::uint32_t value) {
    Bytes groups{static_cast<std::uint8_t>(value & 0x7F)};
    while (value >>= 7)
        groups.insert(groups.begin(), static_cast<std::uint8_t>((value & 0x7F) | 0x80));
    out.insert(out.end(), groups.begin(), groups.end());
}

void Be(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Events of one track, written with their delta times.
struct Track {
    Bytes Data;
    Track& Event(std::uint32_t delta, Bytes bytes) {
        Vlq(Data, delta);
        Data.insert(Data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Track& Tempo(std::uint32_t delta, std::uint32_t microsPerQuarter) {
        Bytes b{0xFF, 0x51, 0x03};
        Be(b, microsPerQuarter, 3);
        return Event(delta, b);
    }
    Track& End(std::uint32_t delta) { return Event(delta, {0xFF, 0x2F, 0x00}); }
};

Bytes Smf(std::uint16_t division, const std::vector<Track>& tracks, std::uint16_t format = 1) {
    Bytes out{'M', 'T', 'h', 'd'};
    Be(out, 6, 4);
    Be(out, format, 2);
    Be(out, static_cast<std::uint32_t>(tracks.size()), 2);
    Be(out, division, 2);
    for (const Track& t : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        Be(out, static_cast<std::uint32_t>(t.Data.size()), 4);
        out.insert(out.end(), t.Data.begin(), t.Data.end());
    }
    return out;
}

std::optional<std::uint32_t> Length(const Bytes& b) {
    return os::MidiLengthMs(b.data(), b.size());
}

TEST(MidiLength, FollowsTempoChangesAcrossTracks) {
    // Default tempo (120 a minute) until a tempo map in the first track halves the speed; the
    // notes run in the second track, which is the longest.
    Track tempoMap;
    tempoMap.Tempo(480, 1000000).End(0);
    Track notes;
    notes.Event(0, {0x90, 60, 100}).Event(480, {0x80, 60, 0}).Event(0, {0x90, 62, 100});
    notes.Event(480, {0x80, 62, 0}).End(0);
    EXPECT_EQ(Length(Smf(480, {tempoMap, notes})), 500u + 1000u);

    // A tempo change at the very end changes nothing.
    Track late;
    late.Tempo(960, 250000).End(0);
    EXPECT_EQ(Length(Smf(480, {late, notes})), 1000u);
}

TEST(MidiLength, ParsesRunningStatusSysexAndLongMetaEvents) {
    Track t;
    Bytes sysex{0xF0};
    Vlq(sysex, 200); // a length that needs two bytes
    sysex.insert(sysex.end(), 200, 0x11);
    t.Event(0, sysex);
    Bytes text{0xFF, 0x01};
    Vlq(text, 300);
    text.insert(text.end(), 300, 'a');
    t.Event(0, text);
    // Note-on with running status, program change and channel pressure with one data byte.
    t.Event(0, {0x90, 60, 100}).Event(240, {62, 100}).Event(240, {64, 100});
    t.Event(0, {0xC0, 5}).Event(240, {0xD0, 7}).Event(240, {0x90, 60, 0}).Event(0, {62, 0});
    t.End(0);
    EXPECT_EQ(Length(Smf(480, {t}, 0)), 1000u);
}

TEST(MidiLength, TimeCodeDivision) {
    Track t;
    t.Event(2500, {0x90, 60, 100}).End(0);
    // 25 frames a second, 40 ticks a frame: a thousand ticks a second.
    std::uint16_t division = static_cast<std::uint16_t>((0x100 - 25) << 8 | 40);
    EXPECT_EQ(Length(Smf(division, {t})), 2500u);
}

TEST(MidiLength, RiffWrappedFile) {
    Track t;
    t.Event(960, {0x90, 60, 100}).End(0);
    Bytes smf = Smf(480, {t});
    Bytes riff{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D'};
    // An unrelated chunk of odd size first: chunks are padded to even sizes.
    riff.insert(riff.end(), {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'x', 'y', 'z', 0});
    riff.insert(riff.end(), {'d', 'a', 't', 'a'});
    std::uint32_t n = static_cast<std::uint32_t>(smf.size());
    riff.insert(riff.end(),
                {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), 0, 0});
    riff.insert(riff.end(), smf.begin(), smf.end());
    EXPECT_EQ(Length(riff), 1000u);
}

TEST(MidiLength, DamagedTracksCountUpToTheirLastCompleteEvent) {
    Track t;
    t.Event(480, {0x90, 60, 100}).Event(480, {0x80, 60, 0});
    Bytes whole = Smf(480, {t});
    EXPECT_EQ(Length(whole), 1000u);
    // Cut inside the last event: its time does not count, and the chunk's stated length that
    // runs past the end of the file does no harm.
    Bytes cut(whole.begin(), whole.end() - 1);
    EXPECT_EQ(Length(cut), 500u);
    // A data byte with no status before it ends the scan of its track; the other counts.
    Track stray;
    stray.Event(0, {0x40, 0x40}).Event(960, {0x90, 1, 1});
    Track other;
    other.Event(480, {0x90, 60, 100});
    EXPECT_EQ(Length(Smf(480, {stray, other})), 500u);
}

TEST(MidiLength, RejectsWhatIsNotMidi) {
    EXPECT_FALSE(os::MidiLengthMs(nullptr, 0));
    Bytes empty;
    EXPECT_FALSE(Length(empty));
    std::string wave = "RIFF\x24\0\0\0WAVEfmt ";
    EXPECT_FALSE(Length(Bytes(wave.begin(), wave.end())));
    std::string text = "MThd is not how this text goes on";
    EXPECT_FALSE(Length(Bytes(text.begin(), text.end())));
    Track t;
    t.Event(480, {0x90, 60, 100});
    EXPECT_FALSE(Length(Smf(0, {t}))) << "division zero";
}

TEST(MidiLength, ReadsFiles) {
    ostest::TempDir dir;
    Track t;
    t.Tempo(0, 250000).Event(1920, {0x90, 60, 100}).End(0);
    Bytes smf = Smf(480, {t});
    ostest::WriteText(dir / "a.mid", std::string(smf.begin(), smf.end()));
    EXPECT_EQ(os::MidiFileLengthMs(dir / "a.mid"), 1000u);
    EXPECT_FALSE(os::MidiFileLengthMs(dir / "missing.mid"));
}

} // namespace
