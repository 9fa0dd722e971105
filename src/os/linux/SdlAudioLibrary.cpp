#include "os/linux/SdlAudioLibrary.h"

#include "os/linux/LoadedSymbols.h"

namespace os {

namespace {

constexpr const char* SdlName = "libSDL2-2.0.so.0";
constexpr const char* MixerName = "libSDL2_mixer-2.0.so.0";

} // namespace

bool SdlAudioLibrary::Load(std::string& reason) {
    if (Loaded())
        return true;
    sdl_ = ::dlopen(SdlName, RTLD_NOW | RTLD_LOCAL);
    if (sdl_ == nullptr) {
        reason = LoaderError(SdlName);
        return false;
    }
    KeepPatchLibraryLoaded();
    mixer_ = ::dlopen(MixerName, RTLD_NOW | RTLD_LOCAL);
    if (mixer_ == nullptr) {
        reason = LoaderError(MixerName);
        Unload();
        return false;
    }
    std::string missing;
    FindSymbol(sdl_, "SDL_InitSubSystem", InitSubSystem, missing);
    FindSymbol(sdl_, "SDL_Quit", quit_, missing);
    FindSymbol(sdl_, "SDL_GetError", GetError, missing);
    FindSymbol(sdl_, "SDL_Delay", Delay, missing);
    FindSymbol(mixer_, "Mix_Init", MixInit, missing);
    FindSymbol(mixer_, "Mix_Quit", MixQuit, missing);
    FindSymbol(mixer_, "Mix_OpenAudio", OpenAudio, missing);
    FindSymbol(mixer_, "Mix_CloseAudio", CloseAudio, missing);
    FindSymbol(mixer_, "Mix_HookMusicFinished", HookMusicFinished, missing);
    FindSymbol(mixer_, "Mix_QuerySpec", QuerySpec, missing);
    FindSymbol(mixer_, "Mix_HookMusic", HookMusic, missing);
    FindSymbol(mixer_, "Mix_LoadMUS", LoadMUS, missing);
    FindSymbol(mixer_, "Mix_FreeMusic", FreeMusic, missing);
    FindSymbol(mixer_, "Mix_MusicDuration", MusicDuration, missing);
    FindSymbol(mixer_, "Mix_GetMusicPosition", GetMusicPosition, missing);
    FindSymbol(mixer_, "Mix_PlayMusic", PlayMusic, missing);
    FindSymbol(mixer_, "Mix_SetMusicPosition", SetMusicPosition, missing);
    FindSymbol(mixer_, "Mix_PauseMusic", PauseMusic, missing);
    FindSymbol(mixer_, "Mix_ResumeMusic", ResumeMusic, missing);
    FindSymbol(mixer_, "Mix_HaltMusic", HaltMusic, missing);
    FindSymbol(mixer_, "Mix_PlayingMusic", PlayingMusic, missing);
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
