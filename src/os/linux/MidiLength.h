// The playing time of a standard MIDI file, from its tempo map. The MIDI synthesiser reports
// neither length nor position, so the audio device works them out itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace os {

// Milliseconds from the start to the last event of the longest track, following every tempo
// change; nullopt when the data is not a MIDI file (a bare "MThd" file or an RMID wrapper).
// A track cut short counts up to its last complete event.
std::optional<std::uint32_t> MidiLengthMs(const std::uint8_t* data, std::size_t size);

// The same for a file; nullopt when it cannot be read or is not a MIDI file.
std::optional<std::uint32_t> MidiFileLengthMs(const std::string& path);

} // namespace os
