// The audio device on the Windows multimedia control interface. MIDI files (.mid, .rmi) open on
// the sequencer, wave files on waveaudio, everything else (MP3 above all) on mpegvideo; a
// one-line ".m3u" playlist opens the file it names. Notifications come back as MM_MCINOTIFY to
// the callback window of the command, through the program's message loop.
#pragma once

#include "os/Mci.h"

#include <set>
#include <string>

namespace os {

class Win32Mci : public Mci {
public:
    Win32Mci() = default;
    // Closes every device still open: an open mpegvideo device keeps a thread of its own.
    ~Win32Mci() override;
    Win32Mci(const Win32Mci&) = delete;
    Win32Mci& operator=(const Win32Mci&) = delete;

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
    MCIERROR Record(MCIDEVICEID id, DWORD flags, HWND callback) override;
    MCIERROR OpenDoor(MCIDEVICEID id, DWORD flags, HWND callback) override;
    MCIERROR SetTimeFormat(MCIDEVICEID id, DWORD flags, DWORD format) override;

    // The MCI device type for a file picked by its extension: "sequencer", "waveaudio" or
    // "mpegvideo".
    static const char* DeviceTypeFor(const std::string& fileName);
    // The file a playlist names: its first line that is neither empty nor a comment, relative
    // to the playlist's folder unless it holds a full path. Empty when the playlist cannot be
    // read or names nothing.
    static std::string PlaylistEntry(const std::string& playlistPath);

    std::size_t OpenDeviceCount() const { return open_.size(); }

private:
    std::set<MCIDEVICEID> open_;
};

} // namespace os
