#include "os/linux/FluidSynthLibrary.h"

#include "os/linux/LoadedSymbols.h"

namespace os {

namespace {

constexpr const char* FluidSynthName = "libfluidsynth.so.3";

} // namespace

bool FluidSynthLibrary::Load(std::string& reason) {
    if (Loaded())
        return true;
    KeepPatchLibraryLoaded();
    library_ = ::dlopen(FluidSynthName, RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        reason = LoaderError(FluidSynthName);
        return false;
    }
    std::string missing;
    FindSymbol(library_, "new_fluid_settings", NewSettings, missing);
    FindSymbol(library_, "delete_fluid_settings", DeleteSettings, missing);
    FindSymbol(library_, "fluid_settings_setint", SetInt, missing);
    FindSymbol(library_, "fluid_settings_setnum", SetNum, missing);
    FindSymbol(library_, "new_fluid_synth", NewSynth, missing);
    FindSymbol(library_, "delete_fluid_synth", DeleteSynth, missing);
    FindSymbol(library_, "fluid_synth_sfload", SfLoad, missing);
    FindSymbol(library_, "new_fluid_defsfloader", NewDefaultLoader, missing);
    FindSymbol(library_, "fluid_sfloader_set_callbacks", SetLoaderCallbacks, missing);
    FindSymbol(library_, "fluid_synth_add_sfloader", AddLoader, missing);
    FindSymbol(library_, "fluid_synth_write_s16", WriteS16, missing);
    FindSymbol(library_, "fluid_synth_system_reset", SystemReset, missing);
    FindSymbol(library_, "new_fluid_player", NewPlayer, missing);
    FindSymbol(library_, "delete_fluid_player", DeletePlayer, missing);
    FindSymbol(library_, "fluid_player_add_mem", PlayerAddMem, missing);
    FindSymbol(library_, "fluid_player_play", PlayerPlay, missing);
    FindSymbol(library_, "fluid_player_get_status", PlayerStatus, missing);
    if (!missing.empty()) {
        reason = std::string(FluidSynthName) + " lacks " + missing;
        Unload();
        return false;
    }
    return true;
}

void FluidSynthLibrary::Unload() {
    static_cast<FluidSynthFunctions&>(*this) = FluidSynthFunctions{};
    if (library_ != nullptr)
        ::dlclose(library_);
    library_ = nullptr;
}

} // namespace os
