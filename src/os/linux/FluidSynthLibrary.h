// FluidSynth, loaded when the audio device opens its first MIDI piece and unloaded with the
// audio output. MIDI goes to the synthesiser directly rather than through the mixer, whose
// fixed synthesiser settings (256 voices, reverb, chorus, every sample of the sound font in
// memory) would cost a rest many megabytes more. The header gives only the types.
#pragma once

#include <fluidsynth.h>

#include <string>

namespace os {

// The functions the MIDI synthesiser calls; all empty while the library is not loaded.
struct FluidSynthFunctions {
    decltype(&::new_fluid_settings) NewSettings = nullptr;
    decltype(&::delete_fluid_settings) DeleteSettings = nullptr;
    decltype(&::fluid_settings_setint) SetInt = nullptr;
    decltype(&::fluid_settings_setnum) SetNum = nullptr;
    decltype(&::new_fluid_synth) NewSynth = nullptr;
    decltype(&::delete_fluid_synth) DeleteSynth = nullptr;
    decltype(&::fluid_synth_sfload) SfLoad = nullptr;
    decltype(&::new_fluid_defsfloader) NewDefaultLoader = nullptr;
    decltype(&::fluid_sfloader_set_callbacks) SetLoaderCallbacks = nullptr;
    decltype(&::fluid_synth_add_sfloader) AddLoader = nullptr;
    decltype(&::fluid_synth_write_s16) WriteS16 = nullptr;
    decltype(&::fluid_synth_system_reset) SystemReset = nullptr;
    decltype(&::new_fluid_player) NewPlayer = nullptr;
    decltype(&::delete_fluid_player) DeletePlayer = nullptr;
    decltype(&::fluid_player_add_mem) PlayerAddMem = nullptr;
    decltype(&::fluid_player_play) PlayerPlay = nullptr;
    decltype(&::fluid_player_get_status) PlayerStatus = nullptr;
};

class FluidSynthLibrary : public FluidSynthFunctions {
public:
    FluidSynthLibrary() = default;
    ~FluidSynthLibrary() { Unload(); }
    FluidSynthLibrary(const FluidSynthLibrary&) = delete;
    FluidSynthLibrary& operator=(const FluidSynthLibrary&) = delete;

    // Loads the library and finds every function; on failure nothing stays loaded and reason
    // holds the loader's message.
    bool Load(std::string& reason);
    // Forgets the functions and unloads the library; no synthesiser may be left.
    void Unload();
    bool Loaded() const { return library_ != nullptr; }

private:
    void* library_ = nullptr;
};

} // namespace os
