// One MIDI piece on the synthesiser, rendered into the mixer's music stream (the mixer calls
// Render on its audio thread while the piece is hooked in). Settings for a quiet rest: 64
// voices, no reverb or chorus, no worker threads, and only the samples the piece's
// instruments use taken from the sound font.
#pragma once

#include "os/linux/FluidSynthLibrary.h"

#include <SDL2/SDL_stdinc.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace os {

class MidiSynth {
public:
    // The General MIDI sound fonts to load: those SDL_SOUNDFONTS lists (separated by ':' or
    // ';') or else the first of the usual places that exists, the small font first.
    static std::string SoundFonts();

    // A synthesiser for the standard MIDI file in song, at the output's rate and channels,
    // with the sound fonts loaded; nullptr and the reason when none of them loads. onEnd is
    // called on the audio thread once the piece has played through.
    static std::unique_ptr<MidiSynth> Create(const FluidSynthFunctions& fluid, std::string song,
                                             int rate, int channels, void (*onEnd)(),
                                             std::string& reason);
    ~MidiSynth();
    MidiSynth(const MidiSynth&) = delete;
    MidiSynth& operator=(const MidiSynth&) = delete;

    // Silences the synthesiser and sets the piece back to its beginning, held. Only while
    // Render cannot run (the piece is not hooked into the mixer).
    bool Restart();
    // Renders the piece (true) or silence, holding where it is (false).
    void SetRunning(bool running) { running_.store(running); }
    // How far the piece has been rendered since its beginning.
    std::uint32_t PositionMs() const;
    bool Finished() const { return finished_.load(); }

    static void SDLCALL Render(void* self, Uint8* stream, int len);

private:
    MidiSynth(const FluidSynthFunctions& fluid, std::string song, int rate, int channels,
              void (*onEnd)());
    void Render(Sint16* out, int frames);

    const FluidSynthFunctions& fluid_;
    std::string song_;
    int rate_;
    int channels_;
    void (*onEnd_)();
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_player_t* player_ = nullptr;
    std::atomic<bool> running_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::uint64_t> frames_{0}; // rendered since the beginning
};

} // namespace os
