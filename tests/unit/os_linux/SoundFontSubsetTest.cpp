#include "os/linux/SoundFontSubset.h"

#include "LinuxTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using os::Preset;

void Le(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Chunk(const std::string& id, const std::string& body) {
    std::string out = id;
    Le(out, static_cast<std::uint32_t>(body.size()), 4);
    return out + body;
}

std::string Name(const std::string& name) {
    return name + std::string(20 - name.size(), '\0');
}

// A small font: Piano (0:0) and Violin (0:40, with a global zone) and a drum kit (128:0), each
// playing an instrument of its own, the violin's listed last.
std::string Font() {
    std::string phdr, pbag, pgen, inst, ibag, igen, shdr;
    auto preset = [&](const char* name, int program, int bank, const std::vector<int>& instruments,
                      bool global) {
        phdr += Name(name);
        Le(phdr, program, 2);
        Le(phdr, bank, 2);
        Le(phdr, static_cast<std::uint32_t>(pbag.size() / 4), 2);
        Le(phdr, 0, 12);
        if (global) { // a zone without an instrument: a coarse tune for every zone
            Le(pbag, static_cast<std::uint32_t>(pgen.size() / 4), 2);
            Le(pbag, 0, 2);
            Le(pgen, 51, 2);
            Le(pgen, 12, 2);
        }
        for (int instrument : instruments) {
            Le(pbag, static_cast<std::uint32_t>(pgen.size() / 4), 2);
            Le(pbag, 0, 2);
            Le(pgen, 41, 2);
            Le(pgen, static_cast<std::uint32_t>(instrument), 2);
        }
    };
    preset("Piano", 0, 0, {0}, false);
    preset("Violin", 40, 0, {2}, true);
    preset("Drums", 0, 128, {1}, false);
    preset("EOP", 0, 0, {}, false);
    Le(pbag, static_cast<std::uint32_t>(pgen.size() / 4), 2);
    Le(pbag, 0, 2);
    Le(pgen, 0, 4);
    for (const char* name : {"PianoI", "DrumI", "ViolinI", "EOI"}) {
        inst += Name(name);
        Le(inst, static_cast<std::uint32_t>(ibag.size() / 4), 2);
        if (std::string(name) == "EOI")
            break;
        Le(ibag, static_cast<std::uint32_t>(igen.size() / 4), 2);
        Le(ibag, 0, 2);
        Le(igen, 53, 2);
        Le(igen, static_cast<std::uint32_t>(inst.size() / 22 - 1), 2); // sample n for inst n
    }
    Le(ibag, static_cast<std::uint32_t>(igen.size() / 4), 2);
    Le(ibag, 0, 2);
    Le(igen, 0, 4);
    for (int sample = 0; sample < 4; ++sample) {
        shdr += Name(sample == 3 ? "EOS" : "S" + std::to_string(sample));
        Le(shdr, 0, 26);
    }
    std::string pdta =
        "pdta" + Chunk("phdr", phdr) + Chunk("pbag", pbag) + Chunk("pmod", std::string(10, '\0')) +
        Chunk("pgen", pgen) + Chunk("inst", inst) + Chunk("ibag", ibag) +
        Chunk("imod", std::string(10, '\0')) + Chunk("igen", igen) + Chunk("shdr", shdr);
    std::string body =
        "sfbk" + Chunk("LIST", "INFO" + Chunk("ifil", std::string("\x02\0\x01\0", 4))) +
        Chunk("LIST", "sdta" + Chunk("smpl", std::string(64, 'x'))) + Chunk("LIST", pdta);
    return Chunk("RIFF", body);
}

// The tables of a font's bytes: each sub-chunk of "pdta" by its name.
std::map<std::string, std::string> Tables(const std::string& font) {
    std::map<std::string, std::string> tables;
    std::size_t at = font.find("pdta") + 4;
    while (at + 8 <= font.size()) {
        std::uint32_t size = static_cast<std::uint8_t>(font[at + 4]) |
                             (static_cast<std::uint8_t>(font[at + 5]) << 8);
        tables[font.substr(at, 4)] = font.substr(at + 8, size);
        at += 8 + size;
    }
    return tables;
}

unsigned Le16(const std::string& s, std::size_t at) {
    return static_cast<std::uint8_t>(s[at]) | (static_cast<std::uint8_t>(s[at + 1]) << 8);
}

std::string ReadAll(const os::SoundFontSubset& subset) {
    std::FILE* file = std::fopen(subset.Path.c_str(), "rb");
    std::string out(subset.Size(), '\0');
    // In two reads that meet inside the kept bytes, to cross from the file to the tables.
    std::size_t first = subset.Read(file, 0, out.data(), 30);
    std::size_t rest = subset.Read(file, 30, out.data() + 30, out.size()); // asks for more
    std::fclose(file);
    EXPECT_EQ(first + rest, out.size());
    return out;
}

TEST(SoundFontSubset, KeepsTheChosenPresetsWithTheirInstrumentsAndEverySample) {
    ostest::TempDir dir;
    const std::string path = dir / "font.sf2";
    const std::string whole = Font();
    ostest::WriteText(path, whole);

    auto subset = os::MakeSoundFontSubset(path, {Preset(0, 40), Preset(5, 5)});
    ASSERT_TRUE(subset);
    EXPECT_EQ(subset->PresetsKept, 1u);
    EXPECT_EQ(subset->InstrumentsKept, 1u);
    const std::string font = ReadAll(*subset);
    EXPECT_EQ(font.substr(8, whole.find("LIST", whole.find("sdta")) - 8),
              whole.substr(8, whole.find("LIST", whole.find("sdta")) - 8))
        << "the information and the samples are the font's own";
    EXPECT_EQ(font.substr(0, 4), "RIFF");
    EXPECT_EQ(Le16(font, 4) + (Le16(font, 6) << 16), font.size() - 8);

    auto tables = Tables(font);
    ASSERT_EQ(tables["phdr"].size(), 2 * 38u); // Violin and the terminal record
    EXPECT_EQ(tables["phdr"].substr(0, 6), "Violin");
    EXPECT_EQ(Le16(tables["phdr"], 38 + 24), 2u) << "the terminal record counts the bags";
    // Its global zone and its instrument zone, the instrument now the first and only one.
    ASSERT_EQ(tables["pbag"].size(), 3 * 4u);
    ASSERT_EQ(tables["pgen"].size(), 3 * 4u);
    EXPECT_EQ(Le16(tables["pgen"], 0), 51u);
    EXPECT_EQ(Le16(tables["pgen"], 4), 41u);
    EXPECT_EQ(Le16(tables["pgen"], 6), 0u);
    EXPECT_EQ(Le16(tables["pbag"], 8), 2u);
    ASSERT_EQ(tables["inst"].size(), 2 * 22u);
    EXPECT_EQ(tables["inst"].substr(0, 7), "ViolinI");
    EXPECT_EQ(Le16(tables["igen"], 2), 2u) << "the sample keeps its number";
    EXPECT_EQ(tables["shdr"], Tables(whole)["shdr"]);

    // Nothing chosen: only the terminal records.
    subset = os::MakeSoundFontSubset(path, {});
    ASSERT_TRUE(subset);
    EXPECT_EQ(Tables(ReadAll(*subset))["phdr"].size(), 38u);
}

TEST(SoundFontSubset, FontsOfAnotherLayoutAreLoadedWhole) {
    ostest::TempDir dir;
    const std::string whole = Font();
    const std::string chunksAfter = dir / "after.sf2";
    ostest::WriteText(chunksAfter, whole + Chunk("LIST", "xtra"));
    EXPECT_FALSE(os::MakeSoundFontSubset(chunksAfter, {Preset(0, 0)}));

    std::string damaged = whole;
    const std::size_t phdr = damaged.find("phdr") + 8;
    damaged[phdr + 38 + 24] = 100; // Violin's zones beyond the bag table
    ostest::WriteText(dir / "damaged.sf2", damaged);
    EXPECT_FALSE(os::MakeSoundFontSubset(dir / "damaged.sf2", {Preset(0, 0)}));

    ostest::WriteText(dir / "text.sf2", "not a sound font");
    EXPECT_FALSE(os::MakeSoundFontSubset(dir / "text.sf2", {Preset(0, 0)}));
    EXPECT_FALSE(os::MakeSoundFontSubset(dir / "missing.sf2", {Preset(0, 0)}));
}

// The bytes of a literal, zeros included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

std::string Midi(const std::string& events) {
    std::string track = events + std::string("\x00\xFF\x2F\x00", 4);
    std::string out = std::string("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14) + "MTrk";
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((track.size() >> shift) & 0xFF);
    return out + track;
}

std::optional<std::set<os::PresetNumber>> Presets(const std::string& midi) {
    return os::PresetsUsed(reinterpret_cast<const std::uint8_t*>(midi.data()), midi.size());
}

TEST(SoundFontSubset, PresetsUsedFollowProgramChangesBanksDrumsAndFallbacks) {
    // Channel 1: bank 8, program 48 (running status for the note); channel 10 (drums):
    // program 25; a General MIDI reset first.
    auto used = Presets(Midi(Bytes("\x00\xF0\x05\x7E\x7F\x09\x01\xF7"
                                   "\x00\xB0\x00\x08\x00\xC0\x30\x00\x90\x3C\x40\x10\x3C\x00"
                                   "\x00\xC9\x19")));
    ASSERT_TRUE(used);
    for (os::PresetNumber expected : {Preset(0, 0), Preset(8, 0), Preset(8, 48), Preset(0, 48),
                                      Preset(128, 0), Preset(128, 25), Preset(0, 25)})
        EXPECT_EQ(used->count(expected), 1u) << expected;
    EXPECT_EQ(used->count(Preset(128, 48)), 0u);
    EXPECT_EQ(used->count(Preset(0, 1)), 0u);

    // A system-exclusive message that could make another channel a drum channel: the whole
    // font.
    EXPECT_FALSE(Presets(Midi(Bytes("\x00\xF0\x0A\x41\x10\x42\x12\x40\x11\x15\x02\x1A\xF7"
                                    "\x00\xC0\x05"))));
    EXPECT_FALSE(Presets("RIFF...."));
}

} // namespace
