// A General MIDI sound font cut down to the presets one piece can use. The synthesiser keeps
// every zone of every preset of a font in memory, about 2 kB each: 5 MB for the small
// TimGM6mb font, most of what a music rest costs. A piece uses a handful of instruments.
//
// The subset is the font's own bytes up to its preset tables (its samples included, read from
// the file as the synthesiser needs them) followed by new preset tables that hold only the
// chosen presets and their instruments. Every preset the synthesiser could look up for the
// piece, its fallbacks included, is kept, so the piece sounds exactly as with the whole font.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string>

namespace os {

// A preset by bank and program: bank * 128 + program. The drum kits are in bank 128.
using PresetNumber = std::uint32_t;
constexpr PresetNumber Preset(unsigned bank, unsigned program) {
    return bank * 128 + program;
}

// Every preset the synthesiser may select while it plays the standard MIDI file in data:
// the ones it starts with, those the program changes (and bank selects) ask for, and those it
// falls back on when a font lacks one. nullopt when the file could select presets in ways not
// followed here (system-exclusive messages other than the General MIDI and GS resets, which
// can make any channel a drum channel): the whole font must then be loaded.
std::optional<std::set<PresetNumber>> PresetsUsed(const std::uint8_t* data, std::size_t size);

struct SoundFontSubset {
    std::string Path;            // the whole font's file
    std::uint64_t KeptBytes = 0; // its bytes up to the preset tables, taken as they are
    std::string Head;            // its first 8 bytes, with the new total size
    std::string Tables;          // the new preset tables: the whole "LIST" "pdta" chunk
    std::size_t PresetsKept = 0;
    std::size_t InstrumentsKept = 0;

    std::uint64_t Size() const { return KeptBytes + Tables.size(); }
    // Reads the subset's bytes at offset; returns how many there were.
    std::size_t Read(std::FILE* font, std::uint64_t offset, char* out, std::size_t count) const;
};

// The subset of the font at path with the given presets; nullopt when the file is not a
// sound font laid out as expected (the preset tables last), so the whole font is loaded.
std::optional<SoundFontSubset> MakeSoundFontSubset(const std::string& path,
                                                   const std::set<PresetNumber>& presets);

} // namespace os
