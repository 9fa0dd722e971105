#include "os/linux/MidiSynth.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
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
    std::string fonts = SoundFonts();
    bool loaded = false;
    for (std::size_t begin = 0; begin < fonts.size();) {
        std::size_t end = fonts.find_first_of(SoundFontSeparators, begin);
        if (end == std::string::npos)
            end = fonts.size();
        std::string path = fonts.substr(begin, end - begin);
        if (!path.empty() && fluid.SfLoad(synth->synth_, path.c_str(), 1) != FLUID_FAILED)
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
