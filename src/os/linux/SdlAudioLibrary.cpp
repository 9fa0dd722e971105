#include "os/linux/SdlAudioLibrary.h"

#include <dlfcn.h>

namespace os {

namespace {

constexpr const char* SdlName = "libSDL2-2.0.so.0";
constexpr const char* MixerName = "libSDL2_mixer-2.0.so.0";
// The synthesiser's patch library registers types with GLib's object system, which can never
// forget them: once loaded it must stay, or the next load finds its types taken.
constexpr const char* StayingNames[] = {"libinstpatch-1.0.so.2"};

std::string LoaderError(const char* fallback) {
    const char* text = ::dlerror();
    return text != nullptr ? text : fallback;
}

template <typename Function>
bool Find(void* library, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (function == nullptr && missing.empty())
        missing = name;
    return function != nullptr;
}

} // namespace

bool SdlAudioLibrary::Load(std::string& reason) {
    if (Loaded())
        return true;
    sdl_ = ::dlopen(SdlName, RTLD_NOW | RTLD_LOCAL);
    if (sdl_ == nullptr) {
        reason = LoaderError(SdlName);
        return false;
    }
    for (const char* name : StayingNames)
        if (void* library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
            ::dlclose(library); // stays all the same
    mixer_ = ::dlopen(MixerName, RTLD_NOW | RTLD_LOCAL);
    if (mixer_ == nullptr) {
        reason = LoaderError(MixerName);
        Unload();
        return false;
    }
    std::string missing;
    Find(sdl_, "SDL_InitSubSystem", InitSubSystem, missing);
    Find(sdl_, "SDL_Quit", quit_, missing);
    Find(sdl_, "SDL_GetError", GetError, missing);
    Find(sdl_, "SDL_Delay", Delay, missing);
    Find(mixer_, "Mix_Init", MixInit, missing);
    Find(mixer_, "Mix_Quit", MixQuit, missing);
    Find(mixer_, "Mix_OpenAudio", OpenAudio, missing);
    Find(mixer_, "Mix_CloseAudio", CloseAudio, missing);
    Find(mixer_, "Mix_HookMusicFinished", HookMusicFinished, missing);
    Find(mixer_, "Mix_QuerySpec", QuerySpec, missing);
    Find(mixer_, "Mix_HookMusic", HookMusic, missing);
    Find(mixer_, "Mix_LoadMUS", LoadMUS, missing);
    Find(mixer_, "Mix_FreeMusic", FreeMusic, missing);
    Find(mixer_, "Mix_MusicDuration", MusicDuration, missing);
    Find(mixer_, "Mix_GetMusicPosition", GetMusicPosition, missing);
    Find(mixer_, "Mix_PlayMusic", PlayMusic, missing);
    Find(mixer_, "Mix_SetMusicPosition", SetMusicPosition, missing);
    Find(mixer_, "Mix_PauseMusic", PauseMusic, missing);
    Find(mixer_, "Mix_ResumeMusic", ResumeMusic, missing);
    Find(mixer_, "Mix_HaltMusic", HaltMusic, missing);
    Find(mixer_, "Mix_PlayingMusic", PlayingMusic, missing);
    if (!missing.empty()) {
        reason = std::string(MixerName) + " lacks " + missing + " (version 2.6 or later is needed)";
        Unload();
        return false;
    }
    return true;
}

void SdlAudioLibrary::Unload() {
    if (quit_ != nullptr)
        quit_();
    quit_ = nullptr;
    static_cast<SdlAudioFunctions&>(*this) = SdlAudioFunctions{};
    if (mixer_ != nullptr)
        ::dlclose(mixer_);
    if (sdl_ != nullptr)
        ::dlclose(sdl_);
    mixer_ = nullptr;
    sdl_ = nullptr;
}

} // namespace os
