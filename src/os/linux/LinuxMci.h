// The audio device on SDL2_mixer: WAV and MP3 files decoded by the mixer, MIDI files rendered
// by FluidSynth (with a General MIDI sound font) into the mixer's music stream, and one-line
// ".m3u" playlists opened by their own name. The mixer has one music stream, so one device
// plays at a time: starting another stops the one that played (its pending notification
// reports "aborted").
#pragma once

#include "os/Mci.h"
#include "os/MessageLoop.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

struct _Mix_Music;

namespace os {

class FluidSynthLibrary;
class MidiSynth;
class SdlAudioLibrary;

class LinuxMci : public Mci {
public:
    // The loop must outlive the device: notifications travel through it.
    explicit LinuxMci(MessageLoop& loop);
    ~LinuxMci() override;
    LinuxMci(const LinuxMci&) = delete;
    LinuxMci& operator=(const LinuxMci&) = delete;

    MCIERROR Open(const std::string& deviceType, const std::string& elementName, DWORD flags,
                  HWND callback, MCIDEVICEID& deviceId) override;
    MCIERROR Play(MCIDEVICEID id, DWORD flags, HWND callback, DWORD from, DWORD to) override;
    MCIERROR Stop(MCIDEVICEID id, DWORD flags, HWND callback) override;
    MCIERROR Pause(MCIDEVICEID id, DWORD flags, HWND callback) override;
    MCIERROR Resume(MCIDEVICEID id, DWORD flags, HWND callback) override;
    MCIERROR Close(MCIDEVICEID id, DWORD flags, HWND callback) override;
    MCIERROR Seek(MCIDEVICEID id, DWORD flags, DWORD to, HWND callback) override;
    MCIERROR Status(MCIDEVICEID id, DWORD flags, DWORD item, DWORD& value) override;
    MCIERROR GetDevCaps(MCIDEVICEID id, DWORD flags, DWORD item, DWORD& value) override;
    bool GetErrorString(MCIERROR error, std::string& text) override;

    // The file a playlist names: its first line that is neither empty nor a comment, relative
    // to the playlist's folder unless absolute. Empty when the playlist cannot be read or
    // names nothing.
    static std::string PlaylistEntry(const std::string& playlistPath);

private:
    using Clock = std::chrono::steady_clock;
    enum class State { Stopped, Playing, Paused };
    struct Device {
        std::string Element;
        _Mix_Music* Music = nullptr;      // a piece the mixer decodes
        std::unique_ptr<MidiSynth> Synth; // or a MIDI piece on the synthesiser
        bool Midi = false;
        DWORD Length = 0;   // ms
        DWORD Position = 0; // ms, while not playing
        State Mode = State::Stopped;
        Clock::time_point PlayStarted; // wall clock, where the decoder cannot tell the position
        DWORD PlayStartPosition = 0;
        std::uint64_t Generation = 0; // of the play that runs; matches the mixer's end report
        HWND NotifyWindow = 0;
        bool NotifyPending = false;
    };

    MCIERROR Fail(MCIERROR code, std::string text);
    MCIERROR OpenAudio(std::string& reason);
    // The synthesiser for a MIDI file's bytes; nullptr and the reason when it cannot play it.
    std::unique_ptr<MidiSynth> OpenMidi(const std::string& bytes, std::string& reason);
    void CloseAudio();
    Device* Find(MCIDEVICEID id);
    DWORD CurrentPosition(const Device& device) const;
    // Takes the device's music out of the mixer, keeping its position.
    void Halt(Device& device);
    // Pauses the playing device's music in the mixer, keeping its position.
    void Hold(Device& device);
    // Lets the held music of the device go on.
    void Continue(Device& device);
    // Ends the pending play notification with the given code.
    void EndNotify(Device& device, MCIDEVICEID id, WPARAM code);
    void Notify(HWND callback, WPARAM code, MCIDEVICEID id);
    void MusicFinished(std::uint64_t generation);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    MessageLoop& loop_;
    std::unique_ptr<SdlAudioLibrary> sdl_;     // loaded while the output is open
    std::unique_ptr<FluidSynthLibrary> fluid_; // loaded with the first MIDI piece
    HWND window_ = 0; // receives the mixer's end reports on the main thread
    bool audioOpen_ = false;
    std::map<MCIDEVICEID, Device> devices_;
    MCIDEVICEID nextId_ = 1;
    MCIDEVICEID playing_ = 0; // the device whose music is in the mixer (playing or paused)
    std::uint64_t nextGeneration_ = 1;
    std::map<MCIERROR, std::string> errorTexts_; // the latest text of each failure code
};

} // namespace os
