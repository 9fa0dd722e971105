#include "os/linux/MidiSynth.h"

#include "os/linux/SoundFontSubset.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>

namespace os {

namespace {

// The small font first: a rest needs no more than its 6 MB.
const char* const SoundFontCandidates[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",   "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/soundfonts/default.sf2",    "/usr/share/soundfonts/FluidR3_GM.sf2",
};

constexpr const char* SoundFontSeparators = ":;";

// The synthesiser reads sound fonts through these functions. While a font is being loaded
// for a piece, its file reads as the subset for that piece; at any other time (the samples
// are read when an instrument is first chosen, on the audio thread) as the whole file, whose
// samples lie at the same places.
std::mutex loadingMutex;
std::map<std::string, const SoundFontSubset*> loading;

struct FontFile {
    std::FILE* File = nullptr;
    std::optional<SoundFontSubset> Subset;
    std::uint64_t Position = 0;
};

void* OpenFont(const char* name) {
    auto font = std::make_unique<FontFile>();
    {
        std::lock_guard lock(loadingMutex);
        if (auto it = loading.find(name); it != loading.end())
            font->Subset = *it->second;
    }
    font->File = std::fopen(name, "rb");
    return font->File != nullptr ? font.release() : nullptr;
}

int ReadFont(void* buffer, fluid_long_long_t count, void* handle) {
    auto& font = *static_cast<FontFile*>(handle);
    if (count < 0)
        return FLUID_FAILED;
    const auto wanted = static_cast<std::size_t>(count);
    std::size_t read = 0;
    if (font.Subset) {
        read = font.Subset->Read(font.File, font.Position, static_cast<char*>(buffer), wanted);
    } else if (::fseeko(font.File, static_cast<off_t>(font.Position), SEEK_SET) == 0) {
        read = std::fread(buffer, 1, wanted, font.File);
    }
    font.Position += read;
    return read == wanted ? FLUID_OK : FLUID_FAILED;
}

int SeekFont(void* handle, fluid_long_long_t offset, int origin) {
    auto& font = *static_cast<FontFile*>(handle);
    std::int64_t base = 0;
    if (origin == SEEK_CUR) {
        base = static_cast<std::int64_t>(font.Position);
    } else if (origin == SEEK_END) {
        if (font.Subset) {
            base = static_cast<std::int64_t>(font.Subset->Size());
        } else {
            if (::fseeko(font.File, 0, SEEK_END) != 0)
                return FLUID_FAILED;
            base = ::ftello(font.File);
        }
    } else if (origin != SEEK_SET) {
        return FLUID_FAILED;
    }
    if (base + offset < 0)
        return FLUID_FAILED;
    font.Position = static_cast<std::uint64_t>(base + offset);
    return FLUID_OK;
}

fluid_long_long_t TellFont(void* handle) {
    return static_cast<fluid_long_long_t>(static_cast<FontFile*>(handle)->Position);
}

int CloseFont(void* handle) {
    auto* font = static_cast<FontFile*>(handle);
    std::fclose(font->File);
    delete font;
    return FLUID_OK;
}

// Loads one sound font into the synthesiser: only the presets the piece can use when they
// are known, else the whole font.
bool LoadFont(const FluidSynthFunctions& fluid, fluid_synth_t* synth, const std::string& path,
              const std::optional<std::set<PresetNumber>>& presets) {
    std::optional<SoundFontSubset> subset;
    if (presets)
        subset = MakeSoundFontSubset(path, *presets);
    if (subset) {
        std::lock_guard lock(loadingMutex);
        loading[path] = &*subset;
    }
    const bool loaded = fluid.SfLoad(synth, path.c_str(), 1) != FLUID_FAILED;
    if (subset) {
        std::lock_guard lock(loadingMutex);
        loading.erase(path);
    }
    return loaded;
}

} // namespace

std::string MidiSynth::SoundFonts() {
    const char* fromEnvironment = std::getenv("SDL_SOUNDFONTS");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0')
        return fromEnvironment;
    std::error_code ec;
    for (const char* candidate : SoundFontCandidates)
        if (std::filesystem::is_regular_file(candidate, ec))
            return candidate;
    return {};
}

MidiSynth::MidiSynth(const FluidSynthFunctions& fluid, std::string song, int rate, int channels,
                     void (*onEnd)())
    : fluid_(fluid), song_(std::move(song)), rate_(rate), channels_(channels), onEnd_(onEnd) {}

std::unique_ptr<MidiSynth> MidiSynth::Create(const FluidSynthFunctions& fluid, std::string song,
                                             int rate, int channels, void (*onEnd)(),
                                             std::string& reason) {
    std::unique_ptr<MidiSynth> synth(new MidiSynth(fluid, std::move(song), rate, channels, onEnd));
    synth->settings_ = fluid.NewSettings();
    if (synth->settings_ == nullptr) {
        reason = "the synthesiser cannot start";
        return nullptr;
    }
    fluid.SetNum(synth->settings_, "synth.sample-rate", rate);
    // As loud as the mixer plays its music at full volume (the synthesiser's own default
    // is a fifth of that).
    fluid.SetNum(synth->settings_, "synth.gain", 1.0);
    fluid.SetInt(synth->settings_, "synth.polyphony", 64);
    fluid.SetInt(synth->settings_, "synth.reverb.active", 0);
    fluid.SetInt(synth->settings_, "synth.chorus.active", 0);
    fluid.SetInt(synth->settings_, "synth.cpu-cores", 1);
    fluid.SetInt(synth->settings_, "synth.dynamic-sample-loading", 1);
    fluid.SetInt(synth->settings_, "synth.lock-memory", 0);
    synth->synth_ = fluid.NewSynth(synth->settings_);
    if (synth->synth_ == nullptr) {
        reason = "the synthesiser cannot start";
        return nullptr;
    }
    fluid_sfloader_t* loader = fluid.NewDefaultLoader(synth->settings_);
    if (loader == nullptr) {
        reason = "the synthesiser cannot start";
        return nullptr;
    }
    fluid.SetLoaderCallbacks(loader, &OpenFont, &ReadFont, &SeekFont, &TellFont, &CloseFont);
    fluid.AddLoader(synth->synth_, loader); // the synthesiser owns it now
    const std::optional<std::set<PresetNumber>> presets = PresetsUsed(
        reinterpret_cast<const std::uint8_t*>(synth->song_.data()), synth->song_.size());
    std::string fonts = SoundFonts();
    bool loaded = false;
    for (std::size_t begin = 0; begin < fonts.size();) {
        std::size_t end = fonts.find_first_of(SoundFontSeparators, begin);
        if (end == std::string::npos)
            end = fonts.size();
        std::string path = fonts.substr(begin, end - begin);
        if (!path.empty() && LoadFont(fluid, synth->synth_, path, presets))
            loaded = true;
        begin = end + 1;
    }
    if (!loaded) {
        reason = fonts.empty() ? "no General MIDI sound font is installed"
                               : "the sound font " + fonts + " cannot be loaded";
        return nullptr;
    }
    if (!synth->Restart()) {
        reason = "the synthesiser cannot read the MIDI data";
        return nullptr;
    }
    return synth;
}

MidiSynth::~MidiSynth() {
    if (player_ != nullptr)
        fluid_.DeletePlayer(player_);
    if (synth_ != nullptr)
        fluid_.DeleteSynth(synth_);
    if (settings_ != nullptr)
        fluid_.DeleteSettings(settings_);
}

bool MidiSynth::Restart() {
    running_.store(false);
    finished_.store(false);
    frames_.store(0);
    if (player_ != nullptr)
        fluid_.DeletePlayer(player_);
    fluid_.SystemReset(synth_);
    player_ = fluid_.NewPlayer(synth_);
    return player_ != nullptr &&
           fluid_.PlayerAddMem(player_, song_.data(), song_.size()) == FLUID_OK &&
           fluid_.PlayerPlay(player_) == FLUID_OK;
}

std::uint32_t MidiSynth::PositionMs() const {
    return static_cast<std::uint32_t>(frames_.load() * 1000 / static_cast<std::uint64_t>(rate_));
}

void SDLCALL MidiSynth::Render(void* self, Uint8* stream, int len) {
    auto& synth = *static_cast<MidiSynth*>(self);
    const int frames = len / (2 * synth.channels_);
    if (!synth.running_.load() || synth.finished_.load()) {
        std::memset(stream, 0, static_cast<std::size_t>(len));
        return;
    }
    synth.Render(reinterpret_cast<Sint16*>(stream), frames);
    synth.frames_.fetch_add(static_cast<std::uint64_t>(frames));
    if (synth.fluid_.PlayerStatus(synth.player_) == FLUID_PLAYER_DONE &&
        !synth.finished_.exchange(true))
        synth.onEnd_();
}

void MidiSynth::Render(Sint16* out, int frames) {
    if (channels_ >= 2) {
        // Left and right into the first two channels of each frame; any others stay silent.
        if (channels_ > 2)
            std::memset(out, 0, static_cast<std::size_t>(frames * channels_) * sizeof(Sint16));
        fluid_.WriteS16(synth_, frames, out, 0, channels_, out, 1, channels_);
        return;
    }
    Sint16 stereo[2 * 256];
    while (frames > 0) {
        int n = frames < 256 ? frames : 256;
        fluid_.WriteS16(synth_, n, stereo, 0, 2, stereo, 1, 2);
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<Sint16>((stereo[2 * i] + stereo[2 * i + 1]) / 2);
        out += n;
        frames -= n;
    }
}

} // namespace os
