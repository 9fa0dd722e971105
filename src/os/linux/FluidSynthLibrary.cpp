#include "os/linux/FluidSynthLibrary.h"

#include <dlfcn.h>

namespace os {

namespace {

constexpr const char* FluidSynthName = "libfluidsynth.so.3";
// Its patch library registers types with GLib's object system, which can never forget them:
// once loaded it must stay, or the next load finds its types taken.
constexpr const char* StayingName = "libinstpatch-1.0.so.2";

template <typename Function>
void Find(void* library, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (function == nullptr && missing.empty())
        missing = name;
}

} // namespace

bool FluidSynthLibrary::Load(std::string& reason) {
    if (Loaded())
        return true;
    if (void* staying = ::dlopen(StayingName, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
        ::dlclose(staying); // stays all the same
    library_ = ::dlopen(FluidSynthName, RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        const char* text = ::dlerror();
        reason = text != nullptr ? text : FluidSynthName;
        return false;
    }
    std::string missing;
    Find(library_, "new_fluid_settings", NewSettings, missing);
    Find(library_, "delete_fluid_settings", DeleteSettings, missing);
    Find(library_, "fluid_settings_setint", SetInt, missing);
    Find(library_, "fluid_settings_setnum", SetNum, missing);
    Find(library_, "new_fluid_synth", NewSynth, missing);
    Find(library_, "delete_fluid_synth", DeleteSynth, missing);
    Find(library_, "fluid_synth_sfload", SfLoad, missing);
    Find(library_, "new_fluid_defsfloader", NewDefaultLoader, missing);
    Find(library_, "fluid_sfloader_set_callbacks", SetLoaderCallbacks, missing);
    Find(library_, "fluid_synth_add_sfloader", AddLoader, missing);
    Find(library_, "fluid_synth_write_s16", WriteS16, missing);
    Find(library_, "fluid_synth_system_reset", SystemReset, missing);
    Find(library_, "new_fluid_player", NewPlayer, missing);
    Find(library_, "delete_fluid_player", DeletePlayer, missing);
    Find(library_, "fluid_player_add_mem", PlayerAddMem, missing);
    Find(library_, "fluid_player_play", PlayerPlay, missing);
    Find(library_, "fluid_player_get_status", PlayerStatus, missing);
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
