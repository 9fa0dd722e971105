// The playing time of a standard MIDI file, from its tempo map. The MIDI synthesiser reports
// neither length nor position, so the audio device works them out itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace os {

// Milliseconds from the start to the last event of the longest track, following every tempo
// change; nullopt when the data is not a MIDI file (a bare "MThd" file or an RMID wrapper).
// A track cut short counts up to its last complete event.
std::optional<std::uint32_t> MidiLengthMs(const std::uint8_t* data, std::size_t size);

// The standard MIDI file in a file's bytes: all of them, or the "data" chunk of an RMID
// wrapper; empty when there is no such chunk.
std::string_view StandardMidiData(std::string_view file);

// The same for a file; nullopt when it cannot be read or is not a MIDI file.
std::optional<std::uint32_t> MidiFileLengthMs(const std::string& path);

} // namespace os
