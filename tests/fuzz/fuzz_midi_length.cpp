// The playing time of any bytes offered as a MIDI file (the synthesiser takes any bytes, so
// the audio device reads the tempo map itself), and the presets they would select.
#include "os/linux/MidiLength.h"
#include "os/linux/SoundFontSubset.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so that a read past the end is caught.
    std::vector<std::uint8_t> bytes(data, data + size);
    (void)os::MidiLengthMs(bytes.data(), bytes.size());
    (void)os::PresetsUsed(bytes.data(), bytes.size());
    return 0;
}
