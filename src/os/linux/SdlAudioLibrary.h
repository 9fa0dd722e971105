// SDL2 and SDL2_mixer, loaded when the audio device opens its first piece and unloaded when it
// closes the last one: an idle program then carries neither them nor what they pull in (the
// sound servers' client libraries, the codecs). The headers give only the types.
#pragma once

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <string>

namespace os {

// The functions the audio device calls; all empty while the libraries are not loaded.
struct SdlAudioFunctions {
    decltype(&::SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&::SDL_GetError) GetError = nullptr;
    decltype(&::SDL_Delay) Delay = nullptr;

    decltype(&::Mix_Init) MixInit = nullptr;
    decltype(&::Mix_Quit) MixQuit = nullptr;
    decltype(&::Mix_OpenAudio) OpenAudio = nullptr;
    decltype(&::Mix_CloseAudio) CloseAudio = nullptr;
    decltype(&::Mix_HookMusicFinished) HookMusicFinished = nullptr;
    decltype(&::Mix_QuerySpec) QuerySpec = nullptr;
    decltype(&::Mix_HookMusic) HookMusic = nullptr;
    decltype(&::Mix_LoadMUS) LoadMUS = nullptr;
    decltype(&::Mix_FreeMusic) FreeMusic = nullptr;
    decltype(&::Mix_MusicDuration) MusicDuration = nullptr;
    decltype(&::Mix_GetMusicPosition) GetMusicPosition = nullptr;
    decltype(&::Mix_PlayMusic) PlayMusic = nullptr;
    decltype(&::Mix_SetMusicPosition) SetMusicPosition = nullptr;
    decltype(&::Mix_PauseMusic) PauseMusic = nullptr;
    decltype(&::Mix_ResumeMusic) ResumeMusic = nullptr;
    decltype(&::Mix_HaltMusic) HaltMusic = nullptr;
    decltype(&::Mix_PlayingMusic) PlayingMusic = nullptr;
};

class SdlAudioLibrary : public SdlAudioFunctions {
public:
    SdlAudioLibrary() = default;
    ~SdlAudioLibrary() { Unload(); }
    SdlAudioLibrary(const SdlAudioLibrary&) = delete;
    SdlAudioLibrary& operator=(const SdlAudioLibrary&) = delete;

    // Loads both libraries and finds every function; on failure nothing stays loaded
    // and reason holds the loader's message.
    bool Load(std::string& reason);
    // Shuts SDL down (closing what is still open), forgets the functions and unloads the
    // libraries.
    void Unload();
    bool Loaded() const { return mixer_ != nullptr; }

private:
    decltype(&::SDL_Quit) quit_ = nullptr;
    void* sdl_ = nullptr;
    void* mixer_ = nullptr;
};

} // namespace os
