// The multimedia control interface: audio devices opened by file name, commanded by number.
// Shaped after the commands the media player sends, so its flag rules stay portable.
#pragma once

#include "os/Types.h"

#include <string>

namespace os {

using MCIERROR = DWORD;
using MCIDEVICEID = std::uint16_t;

inline constexpr DWORD MCI_NOTIFY = 0x00000001;
inline constexpr DWORD MCI_WAIT = 0x00000002;
inline constexpr DWORD MCI_FROM = 0x00000004;
inline constexpr DWORD MCI_TO = 0x00000008;
inline constexpr DWORD MCI_OPEN_SHAREABLE = 0x00000100;
inline constexpr DWORD MCI_OPEN_ELEMENT = 0x00000200;
inline constexpr DWORD MCI_OPEN_TYPE = 0x00002000;
inline constexpr DWORD MCI_STATUS_ITEM = 0x00000100;
inline constexpr DWORD MCI_GETDEVCAPS_ITEM = 0x00000100;
inline constexpr DWORD MCI_SEEK_TO_START = 0x00000100;
inline constexpr DWORD MCI_SEEK_TO_END = 0x00000200;
inline constexpr DWORD MCI_SET_TIME_FORMAT = 0x00000400;

inline constexpr DWORD MCI_STATUS_LENGTH = 1;
inline constexpr DWORD MCI_STATUS_POSITION = 2;
inline constexpr DWORD MCI_STATUS_NUMBER_OF_TRACKS = 3;
inline constexpr DWORD MCI_STATUS_MODE = 4;
inline constexpr DWORD MCI_STATUS_CURRENT_TRACK = 8;

inline constexpr DWORD MCI_FORMAT_MILLISECONDS = 0;
inline constexpr DWORD MCI_FORMAT_TMSF = 10;

inline constexpr DWORD MCI_GETDEVCAPS_CAN_RECORD = 1;
inline constexpr DWORD MCI_GETDEVCAPS_HAS_VIDEO = 3;
inline constexpr DWORD MCI_GETDEVCAPS_DEVICE_TYPE = 4;
inline constexpr DWORD MCI_GETDEVCAPS_CAN_EJECT = 7;
inline constexpr DWORD MCI_GETDEVCAPS_CAN_PLAY = 8;

inline constexpr DWORD MCI_MODE_NOT_READY = 524;
inline constexpr DWORD MCI_MODE_STOP = 525;
inline constexpr DWORD MCI_MODE_PLAY = 526;
inline constexpr DWORD MCI_MODE_RECORD = 527;
inline constexpr DWORD MCI_MODE_SEEK = 528;
inline constexpr DWORD MCI_MODE_PAUSE = 529;
inline constexpr DWORD MCI_MODE_OPEN = 530;

inline constexpr DWORD MCI_DEVTYPE_VCR = 513;
inline constexpr DWORD MCI_DEVTYPE_OVERLAY = 515;
inline constexpr DWORD MCI_DEVTYPE_ANIMATION = 519;
inline constexpr DWORD MCI_DEVTYPE_DIGITAL_VIDEO = 520;
inline constexpr DWORD MCI_DEVTYPE_SEQUENCER = 523;
inline constexpr DWORD MCI_DEVTYPE_WAVEFORM_AUDIO = 522;

inline constexpr WPARAM MCI_NOTIFY_SUCCESSFUL = 1;
inline constexpr WPARAM MCI_NOTIFY_SUPERSEDED = 2;
inline constexpr WPARAM MCI_NOTIFY_ABORTED = 4;
inline constexpr WPARAM MCI_NOTIFY_FAILURE = 8;

// Failures a device reports; GetErrorString gives their text.
inline constexpr MCIERROR MCIERR_BASE = 256;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
inline constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
inline constexpr MCIERROR MCIERR_HARDWARE = MCIERR_BASE + 6;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
inline constexpr MCIERROR MCIERR_CANNOT_LOAD_DRIVER = MCIERR_BASE + 10;
inline constexpr MCIERROR MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
inline constexpr MCIERROR MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
inline constexpr MCIERROR MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
inline constexpr MCIERROR MCIERR_INVALID_FILE = MCIERR_BASE + 40;
inline constexpr MCIERROR MCIERR_NONAPPLICABLE_FUNCTION = MCIERR_BASE + 46;

// Every command that carries MCI_NOTIFY posts MM_MCINOTIFY (wParam = MCI_NOTIFY_*, lParam =
// device id) to its callback window when it completes, or supersedes/aborts the earlier one.
class Mci {
public:
    virtual ~Mci() = default;
    // deviceType empty: the device is chosen from the element (file) name.
    virtual MCIERROR Open(const std::string& deviceType, const std::string& elementName,
                          DWORD flags, HWND callback, MCIDEVICEID& deviceId) = 0;
    virtual MCIERROR Play(MCIDEVICEID id, DWORD flags, HWND callback, DWORD from, DWORD to) = 0;
    virtual MCIERROR Stop(MCIDEVICEID id, DWORD flags, HWND callback) = 0;
    virtual MCIERROR Pause(MCIDEVICEID id, DWORD flags, HWND callback) = 0;
    virtual MCIERROR Resume(MCIDEVICEID id, DWORD flags, HWND callback) = 0;
    virtual MCIERROR Close(MCIDEVICEID id, DWORD flags, HWND callback) = 0;
    // MCI_SEEK_TO_START / MCI_SEEK_TO_END, or MCI_TO with a position.
    virtual MCIERROR Seek(MCIDEVICEID id, DWORD flags, DWORD to, HWND callback) = 0;
    // Status items in milliseconds (length, position) or MCI_MODE_* (mode).
    virtual MCIERROR Status(MCIDEVICEID id, DWORD flags, DWORD item, DWORD& value) = 0;
    virtual MCIERROR GetDevCaps(MCIDEVICEID id, DWORD flags, DWORD item, DWORD& value) = 0;
    // The text of an error code; false when there is none.
    virtual bool GetErrorString(MCIERROR error, std::string& text) = 0;

    // Commands that only some devices carry out (video, recorders, drives with a door, CD
    // tracks); a device without them refuses.
    virtual MCIERROR Step(MCIDEVICEID /*id*/, DWORD /*flags*/, DWORD /*frames*/, bool /*reverse*/,
                          HWND /*callback*/) {
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
    virtual MCIERROR Record(MCIDEVICEID /*id*/, DWORD /*flags*/, HWND /*callback*/) {
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
    virtual MCIERROR OpenDoor(MCIDEVICEID /*id*/, DWORD /*flags*/, HWND /*callback*/) {
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
    // MCI_SET with MCI_SET_TIME_FORMAT: MCI_FORMAT_MILLISECONDS, MCI_FORMAT_TMSF, ...
    virtual MCIERROR SetTimeFormat(MCIDEVICEID /*id*/, DWORD /*flags*/, DWORD /*format*/) {
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
};

} // namespace os
