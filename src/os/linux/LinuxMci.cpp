#include "os/linux/LinuxMci.h"

#include "os/linux/FluidSynthLibrary.h"
#include "os/linux/MidiLength.h"
#include "os/linux/MidiSynth.h"
#include "os/linux/Playlist.h"
#include "os/linux/RegularFile.h"
#include "os/linux/SdlAudioLibrary.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <mutex>
#include <optional>
#include <strings.h>

namespace os {

namespace {

constexpr UINT WM_MUSIC_FINISHED = WM_USER + 1;

// The mixer reports the end of its music through a plain function on its own thread (or on
// the thread that halts it). The report carries the generation of the play that was running,
// so that a halt we asked for, or an end that raced with a newer play, is recognised as stale.
std::mutex hookMutex;
MessageLoop* hookLoop = nullptr;
HWND hookWindow = 0;
std::uint64_t hookGeneration = 0;

void SDLCALL OnMusicFinished() {
    std::lock_guard lock(hookMutex);
    if (hookLoop != nullptr && hookGeneration != 0)
        hookLoop->PostMessage(hookWindow, WM_MUSIC_FINISHED, hookGeneration, 0);
}

void SetHookGeneration(std::uint64_t generation) {
    std::lock_guard lock(hookMutex);
    hookGeneration = generation;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           strcasecmp(text.c_str() + text.size() - suffix.size(), suffix.c_str()) == 0;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

// A MIDI file by its name or, whatever its name, by its first bytes.
bool IsMidiFile(const std::string& path) {
    for (const char* suffix : {".mid", ".midi", ".rmi", ".kar"})
        if (EndsWithNoCase(path, suffix))
            return true;
    std::string head;
    if (!ReadRegularFile(path, 12, head))
        return false;
    return (head.size() >= 4 && head.compare(0, 4, "MThd") == 0) ||
           (head.size() == 12 && head.compare(0, 4, "RIFF") == 0 &&
            head.compare(8, 4, "RMID") == 0);
}

} // namespace

LinuxMci::LinuxMci(MessageLoop& loop)
    : loop_(loop), sdl_(std::make_unique<SdlAudioLibrary>()),
      fluid_(std::make_unique<FluidSynthLibrary>()) {}

LinuxMci::~LinuxMci() {
    for (auto& [id, device] : devices_) {
        if (playing_ == id)
            Halt(device);
        sdl_->FreeMusic(device.Music);
    }
    devices_.clear();
    CloseAudio();
    if (window_ != 0)
        loop_.DestroyWindow(window_);
}

std::string LinuxMci::PlaylistEntry(const std::string& playlistPath) {
    // A playlist names its file on the first lines; whatever else a large file holds is not
    // read.
    std::string text;
    if (!ReadRegularFile(playlistPath, 64 * 1024, text))
        return {};
    return PlaylistEntryOf(std::move(text), playlistPath);
}

MCIERROR LinuxMci::Fail(MCIERROR code, std::string text) {
    errorTexts_[code] = std::move(text);
    return code;
}

MCIERROR LinuxMci::OpenAudio(std::string& reason) {
    if (audioOpen_)
        return 0;
    if (!sdl_->Load(reason))
        return MCIERR_CANNOT_LOAD_DRIVER;
    if (sdl_->InitSubSystem(SDL_INIT_AUDIO) != 0) {
        reason = sdl_->GetError();
        sdl_->Unload();
        return MCIERR_CANNOT_LOAD_DRIVER;
    }
    // Decoders that cannot be loaded show up as a failure to open a file of their kind.
    sdl_->MixInit(MIX_INIT_MP3);
    if (sdl_->OpenAudio(44100, AUDIO_S16SYS, 2, 2048) != 0) {
        reason = sdl_->GetError();
        sdl_->MixQuit();
        sdl_->Unload();
        return MCIERR_CANNOT_LOAD_DRIVER;
    }
    {
        std::lock_guard lock(hookMutex);
        hookLoop = &loop_;
        hookWindow = window_;
        hookGeneration = 0;
    }
    sdl_->HookMusicFinished(&OnMusicFinished);
    audioOpen_ = true;
    return 0;
}

// The output stays open only while a device is: an open output keeps a thread feeding the
// sound card even in silence. The libraries go with it, the synthesiser's too.
void LinuxMci::CloseAudio() {
    if (!audioOpen_)
        return;
    sdl_->HookMusicFinished(nullptr);
    {
        std::lock_guard lock(hookMutex);
        hookLoop = nullptr;
        hookGeneration = 0;
    }
    sdl_->CloseAudio();
    sdl_->MixQuit();
    fluid_->Unload();
    sdl_->Unload();
    // The synthesiser's voices and sound font were many small blocks in the middle of the
    // heap; hand the pages they leave free back to the system.
    ::malloc_trim(0);
    audioOpen_ = false;
}

std::unique_ptr<MidiSynth> LinuxMci::OpenMidi(const std::string& bytes, std::string& reason) {
    if (!fluid_->Load(reason)) {
        reason = "the MIDI synthesiser is not available (" + reason + ")";
        return nullptr;
    }
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    if (sdl_->QuerySpec(&rate, &format, &channels) == 0 || rate <= 0 || channels <= 0 ||
        format != AUDIO_S16SYS) {
        reason = "the audio output takes no 16-bit samples";
        return nullptr;
    }
    return MidiSynth::Create(*fluid_, std::string(StandardMidiData(bytes)), rate, channels,
                             &OnMusicFinished, reason);
}

LinuxMci::Device* LinuxMci::Find(MCIDEVICEID id) {
    auto it = devices_.find(id);
    return it == devices_.end() ? nullptr : &it->second;
}

DWORD LinuxMci::CurrentPosition(const Device& device) const {
    if (device.Mode != State::Playing)
        return device.Position;
    double ms = -1;
    if (device.Synth) {
        ms = device.Synth->PositionMs();
    } else {
        double seconds = sdl_->GetMusicPosition(device.Music);
        if (seconds >= 0)
            ms = seconds * 1000.0;
    }
    if (ms < 0) {
        // The synthesiser cannot tell where it is: count the time since the play began.
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                             device.PlayStarted);
        ms = static_cast<double>(device.PlayStartPosition) + static_cast<double>(elapsed.count());
    }
    DWORD position = static_cast<DWORD>(std::lround(std::max(ms, 0.0)));
    return device.Length > 0 ? std::min(position, device.Length) : position;
}

void LinuxMci::Hold(Device& device) {
    device.Position = CurrentPosition(device);
    if (device.Synth)
        device.Synth->SetRunning(false);
    else
        sdl_->PauseMusic();
}

void LinuxMci::Continue(Device& device) {
    if (device.Synth)
        device.Synth->SetRunning(true);
    else
        sdl_->ResumeMusic();
}

void LinuxMci::Halt(Device& device) {
    device.Position = CurrentPosition(device);
    device.Mode = State::Stopped;
    device.Generation = 0;
    SetHookGeneration(0); // the halt reports an end too; it is not a natural one
    if (device.Synth) {
        sdl_->HookMusic(nullptr, nullptr); // waits for a rendering that runs
        device.Synth->SetRunning(false);
    } else {
        sdl_->HaltMusic();
    }
    playing_ = 0;
}

void LinuxMci::Notify(HWND callback, WPARAM code, MCIDEVICEID id) {
    if (callback != 0)
        loop_.PostMessage(callback, MM_MCINOTIFY, code, id);
}

void LinuxMci::EndNotify(Device& device, MCIDEVICEID id, WPARAM code) {
    if (!device.NotifyPending)
        return;
    device.NotifyPending = false;
    Notify(device.NotifyWindow, code, id);
}

MCIERROR LinuxMci::Open(const std::string& deviceType, const std::string& elementName, DWORD flags,
                        HWND callback, MCIDEVICEID& deviceId) {
    deviceId = 0;
    if ((flags & MCI_OPEN_TYPE) && !deviceType.empty() && !EqualsNoCase(deviceType, "Sequencer") &&
        !EqualsNoCase(deviceType, "WaveAudio") && !EqualsNoCase(deviceType, "MPEGVideo"))
        return Fail(MCIERR_INVALID_DEVICE_NAME, "Cannot open " + elementName +
                                                    ": there is no audio device of type \"" +
                                                    deviceType + "\"");
    if (elementName.empty() || !(flags & (MCI_OPEN_ELEMENT | MCI_OPEN_TYPE)))
        return Fail(MCIERR_MISSING_PARAMETER, "Cannot open: no file name was given");

    std::error_code ec;
    std::string file = elementName;
    std::string what = "the file";
    if (EndsWithNoCase(elementName, ".m3u")) {
        if (!std::filesystem::exists(elementName, ec))
            return Fail(MCIERR_FILE_NOT_FOUND,
                        "Cannot open " + elementName + ": the file does not exist");
        file = PlaylistEntry(elementName);
        if (file.empty())
            return Fail(MCIERR_INVALID_FILE,
                        "Cannot open " + elementName + ": the playlist names no file");
        what = "the file it names, " + file + ",";
    }
    if (!std::filesystem::exists(file, ec))
        return Fail(MCIERR_FILE_NOT_FOUND,
                    "Cannot open " + elementName + ": " + what + " does not exist");
    if (std::filesystem::is_directory(file, ec))
        return Fail(MCIERR_INVALID_FILE,
                    "Cannot open " + elementName + ": " + what + " is a folder");
    // A named pipe or a device would block the mixer's open() for good.
    if (!std::filesystem::is_regular_file(file, ec))
        return Fail(MCIERR_INVALID_FILE,
                    "Cannot open " + elementName + ": " + what + " is not a regular file");

    if (window_ == 0)
        window_ = loop_.CreateMessageWindow([this](UINT msg, WPARAM wParam, LPARAM lParam) {
            return WindowProc(msg, wParam, lParam);
        });
    std::string reason;
    if (MCIERROR error = OpenAudio(reason); error != 0)
        return Fail(error, "Cannot open " + elementName + ": no audio output is available (" +
                               reason + ")");

    Device device;
    device.Element = elementName;
    auto fail = [&](const std::string& text) {
        if (devices_.empty())
            CloseAudio();
        return Fail(MCIERR_INVALID_FILE, "Cannot open " + elementName + ": " + text);
    };
    if (IsMidiFile(file)) {
        // The synthesiser would take any bytes and play them as silence: its length, from the
        // tempo map, tells a MIDI file from something else.
        std::string bytes;
        std::optional<std::uint32_t> length;
        if (ReadRegularFile(file, std::size_t{64} << 20, bytes))
            length =
                MidiLengthMs(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        if (!length)
            return fail(what + " is not a MIDI file");
        device.Synth = OpenMidi(bytes, reason);
        if (!device.Synth)
            return fail((file == elementName ? "" : file + ": ") + reason);
        // Reading the sound font's tables left freed pages all over the heap: back to the
        // system with them for as long as the piece plays.
        ::malloc_trim(0);
        device.Midi = true;
        device.Length = *length;
    } else {
        device.Music = sdl_->LoadMUS(file.c_str());
        if (device.Music == nullptr)
            return fail((file == elementName ? "" : file + ": ") + sdl_->GetError());
        double seconds = sdl_->MusicDuration(device.Music);
        if (seconds >= 0)
            device.Length = static_cast<DWORD>(std::lround(seconds * 1000.0));
    }

    while (nextId_ == 0 || devices_.count(nextId_) != 0)
        ++nextId_;
    deviceId = nextId_++;
    devices_.emplace(deviceId, std::move(device));
    if (flags & MCI_NOTIFY)
        Notify(callback, MCI_NOTIFY_SUCCESSFUL, deviceId);
    return 0;
}

MCIERROR LinuxMci::Play(MCIDEVICEID id, DWORD flags, HWND callback, DWORD from, DWORD /*to*/) {
    Device* device = Find(id);
    if (device == nullptr)
        return MCIERR_INVALID_DEVICE_ID;
    if (flags & MCI_TO)
        return MCIERR_UNSUPPORTED_FUNCTION; // play ranges are never asked for
    DWORD start = CurrentPosition(*device);
    if (flags & MCI_FROM)
        start = device->Length > 0 ? std::min(from, device->Length) : from;

    // A play that still has its notification pending gives way to this one.
    EndNotify(*device, id, (flags & MCI_NOTIFY) ? MCI_NOTIFY_SUPERSEDED : MCI_NOTIFY_ABORTED);
    if (playing_ != 0 && playing_ != id) {
        Device& other = devices_.at(playing_);
        MCIDEVICEID otherId = playing_;
        Halt(other);
        EndNotify(other, otherId, MCI_NOTIFY_ABORTED);
    }

    if (device->Length > 0 && start >= device->Length) {
        // Nothing left to play: done at once, as a play that reached its end.
        if (playing_ == id)
            Halt(*device);
        device->Position = device->Length;
        if (flags & MCI_NOTIFY)
            Notify(callback, MCI_NOTIFY_SUCCESSFUL, id);
        return 0;
    }

    if (playing_ == id && !(flags & MCI_FROM)) {
        // Still in the mixer (playing, paused or stopped): go on from where it is.
        if (device->Mode != State::Playing) {
            Continue(*device);
            device->Mode = State::Playing;
            device->PlayStarted = Clock::now();
            device->PlayStartPosition = device->Position;
        }
    } else {
        if (playing_ == id)
            Halt(*device);
        std::uint64_t generation = nextGeneration_++;
        SetHookGeneration(generation);
        if (device->Synth) {
            // The synthesiser plays from the beginning only.
            if (!device->Synth->Restart()) {
                SetHookGeneration(0);
                return Fail(MCIERR_HARDWARE, "Cannot play " + device->Element +
                                                 ": the synthesiser cannot read the MIDI data");
            }
            start = 0;
            device->Synth->SetRunning(true);
            sdl_->HookMusic(&MidiSynth::Render, device->Synth.get());
        } else {
            if (sdl_->PlayMusic(device->Music, 0) != 0) {
                SetHookGeneration(0);
                return Fail(MCIERR_HARDWARE, "Cannot play " + device->Element + ": " +
                                                 std::string(sdl_->GetError()));
            }
            // Not every decoder can seek (wave files cannot): those start from the beginning.
            if (start > 0 && sdl_->SetMusicPosition(start / 1000.0) != 0)
                start = 0;
        }
        playing_ = id;
        device->Mode = State::Playing;
        device->Generation = generation;
        device->PlayStarted = Clock::now();
        device->PlayStartPosition = start;
    }
    device->NotifyWindow = callback;
    device->NotifyPending = (flags & MCI_NOTIFY) != 0;

    if (flags & MCI_WAIT) {
        std::uint64_t generation = device->Generation;
        while (playing_ == id && device->Mode == State::Playing &&
               (device->Synth ? !device->Synth->Finished() : sdl_->PlayingMusic() != 0))
            sdl_->Delay(10);
        MusicFinished(generation);
    }
    return 0;
}

MCIERROR LinuxMci::Stop(MCIDEVICEID id, DWORD flags, HWND callback) {
    Device* device = Find(id);
    if (device == nullptr)
        return MCIERR_INVALID_DEVICE_ID;
    // The music stays in the mixer, held, so the next play goes on from here even where the
    // decoder cannot seek.
    if (device->Mode == State::Playing)
        Hold(*device);
    device->Mode = State::Stopped;
    EndNotify(*device, id, MCI_NOTIFY_ABORTED);
    if (flags & MCI_NOTIFY)
        Notify(callback, MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

MCIERROR LinuxMci::Pause(MCIDEVICEID id, DWORD flags, HWND callback) {
    Device* device = Find(id);
    if (device == nullptr)
        return MCIERR_INVALID_DEVICE_ID;
    if (device->Mode == State::Playing) {
        Hold(*device);
        device->Mode = State::Paused;
    }
    if (flags & MCI_NOTIFY)
        Notify(callback, MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

MCIERROR LinuxMci::Resume(MCIDEVICEID id, DWORD flags, HWND callback) {
    Device* device = Find(id);
    if (device == nullptr)
        return MCIERR_INVALID_DEVICE_ID;
    if (device->Mode != State::Paused)
        return MCIERR_NONAPPLICABLE_FUNCTION;
    Continue(*device);
    device->Mode = State::Playing;
    device->PlayStarted = Clock::now();
    device->PlayStartPosition = device->Position;
    if (flags & MCI_NOTIFY)
        Notify(callback, MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

MCIERROR LinuxMci::Close(MCIDEVICEID id, DWORD flags, HWND callback) {
    Device* device = Find(id);
    if (device == nullptr)
        return MCIERR_INVALID_DEVICE_ID;
    if (playing_ == id)
        Halt(*device);
    EndNotify(*device, id, MCI_NOTIFY_ABORTED);
    sdl_->FreeMusic(device->Music);
    devices_.erase(id);
    if (devices_.empty())
        CloseAudio();
    if (flags & MCI_NOTIFY)
        Notify(callback, MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

MCIERROR LinuxMci::Seek(MCIDEVICEID id, DWORD flags, DWORD to, HWND callback) {
    Device* device = Find(id);
    if (device == nullptr)
        return MCIERR_INVALID_DEVICE_ID;
    if (!(flags & (MCI_SEEK_TO_START | MCI_SEEK_TO_END | MCI_TO)))
        return MCIERR_MISSING_PARAMETER;
    // Seeking stops a play.
    if (playing_ == id)
        Halt(*device);
    EndNotify(*device, id, MCI_NOTIFY_ABORTED);
    if (flags & MCI_SEEK_TO_START)
        device->Position = 0;
    else if (flags & MCI_SEEK_TO_END)
        device->Position = device->Length;
    else
        device->Position = device->Length > 0 ? std::min(to, device->Length) : to;
    if (flags & MCI_NOTIFY)
        Notify(callback, MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

MCIERROR LinuxMci::Status(MCIDEVICEID id, DWORD /*flags*/, DWORD item, DWORD& value) {
    Device* device = Find(id);
    if (device == nullptr) {
        if (item == MCI_STATUS_MODE)
            value = MCI_MODE_NOT_READY;
        return MCIERR_INVALID_DEVICE_ID;
    }
    switch (item) {
    case MCI_STATUS_LENGTH:
        value = device->Length;
        return 0;
    case MCI_STATUS_POSITION:
        value = CurrentPosition(*device);
        return 0;
    case MCI_STATUS_MODE:
        value = device->Mode == State::Playing  ? MCI_MODE_PLAY
                : device->Mode == State::Paused ? MCI_MODE_PAUSE
                                                : MCI_MODE_STOP;
        return 0;
    case MCI_STATUS_NUMBER_OF_TRACKS:
    case MCI_STATUS_CURRENT_TRACK:
        value = 1;
        return 0;
    default:
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

MCIERROR LinuxMci::GetDevCaps(MCIDEVICEID id, DWORD /*flags*/, DWORD item, DWORD& value) {
    Device* device = Find(id);
    if (device == nullptr)
        return MCIERR_INVALID_DEVICE_ID;
    switch (item) {
    case MCI_GETDEVCAPS_CAN_PLAY:
        value = 1;
        return 0;
    case MCI_GETDEVCAPS_CAN_RECORD:
    case MCI_GETDEVCAPS_CAN_EJECT:
    case MCI_GETDEVCAPS_HAS_VIDEO:
        value = 0;
        return 0;
    case MCI_GETDEVCAPS_DEVICE_TYPE:
        value = device->Midi ? MCI_DEVTYPE_SEQUENCER : MCI_DEVTYPE_WAVEFORM_AUDIO;
        return 0;
    default:
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

bool LinuxMci::GetErrorString(MCIERROR error, std::string& text) {
    if (auto it = errorTexts_.find(error); it != errorTexts_.end()) {
        text = it->second;
        return true;
    }
    switch (error) {
    case MCIERR_INVALID_DEVICE_ID:
        text = "The audio device is not open.";
        return true;
    case MCIERR_UNSUPPORTED_FUNCTION:
        text = "The audio device cannot carry out this command.";
        return true;
    case MCIERR_NONAPPLICABLE_FUNCTION:
        text = "The command does not apply while the audio device is in this state.";
        return true;
    case MCIERR_MISSING_PARAMETER:
        text = "The command lacks a parameter it needs.";
        return true;
    default:
        return false;
    }
}

void LinuxMci::MusicFinished(std::uint64_t generation) {
    for (auto& [id, device] : devices_) {
        if (generation == 0 || device.Generation != generation || playing_ != id ||
            device.Mode != State::Playing)
            continue;
        DWORD position = CurrentPosition(device);
        if (device.Length == 0)
            device.Length = position; // learnt now that the piece has played through
        device.Position = device.Length;
        device.Mode = State::Stopped;
        device.Generation = 0;
        SetHookGeneration(0);
        if (device.Synth)
            sdl_->HookMusic(nullptr, nullptr); // it renders nothing more
        playing_ = 0;
        EndNotify(device, id, MCI_NOTIFY_SUCCESSFUL);
        return;
    }
}

LRESULT LinuxMci::WindowProc(UINT msg, WPARAM wParam, LPARAM /*lParam*/) {
    if (msg == WM_MUSIC_FINISHED)
        MusicFinished(wParam);
    return 0;
}

} // namespace os
