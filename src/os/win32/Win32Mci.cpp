#include "os/win32/Win32Mci.h"

#include "os/win32/Win32Windows.h"

#include <mmsystem.h>

#include <cctype>
#include <cstdio>

namespace os {

namespace {

bool EndsWithNoCase(const std::string& text, const char* suffix) {
    const std::string tail(suffix);
    if (text.size() < tail.size())
        return false;
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - tail.size() + i])) !=
            std::tolower(static_cast<unsigned char>(tail[i])))
            return false;
    return true;
}

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsFullPath(const std::string& path) {
    return (!path.empty() && (path[0] == '\\' || path[0] == '/')) ||
           (path.size() >= 2 && path[1] == ':');
}

::DWORD_PTR Callback(HWND window) {
    return static_cast<::DWORD_PTR>(window);
}

MCIERROR Send(MCIDEVICEID id, ::UINT command, DWORD flags, void* parameters) {
    return ::mciSendCommandA(id, command, flags, reinterpret_cast<::DWORD_PTR>(parameters));
}

MCIERROR Generic(MCIDEVICEID id, ::UINT command, DWORD flags, HWND callback) {
    ::MCI_GENERIC_PARMS parameters{};
    parameters.dwCallback = Callback(callback);
    return Send(id, command, flags, &parameters);
}

} // namespace

Win32Mci::~Win32Mci() {
    for (MCIDEVICEID id : open_)
        Generic(id, MCI_CLOSE, MCI_WAIT, 0);
}

const char* Win32Mci::DeviceTypeFor(const std::string& fileName) {
    if (EndsWithNoCase(fileName, ".mid") || EndsWithNoCase(fileName, ".rmi"))
        return "sequencer";
    if (EndsWithNoCase(fileName, ".wav"))
        return "waveaudio";
    return "mpegvideo";
}

std::string Win32Mci::PlaylistEntry(const std::string& playlistPath) {
    // A playlist names its file on the first lines; whatever else a large file holds is not
    // read.
    // (C streams: iostreams would add the C++ library's locale machinery to the program.)
    std::string text(64 * 1024, '\0');
    std::size_t got = 0;
    if (std::FILE* in = std::fopen(playlistPath.c_str(), "rb")) {
        got = std::fread(text.data(), 1, text.size(), in);
        std::fclose(in);
    }
    text.resize(got);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        if (IsFullPath(line))
            return line;
        const std::size_t slash = playlistPath.find_last_of("\\/");
        return slash == std::string::npos ? line : playlistPath.substr(0, slash + 1) + line;
    }
    return {};
}

MCIERROR Win32Mci::Open(const std::string& deviceType, const std::string& elementName, DWORD flags,
                        HWND callback, MCIDEVICEID& deviceId) {
    deviceId = 0;
    std::string file = elementName;
    if ((flags & MCI_OPEN_ELEMENT) && EndsWithNoCase(elementName, ".m3u")) {
        if (::GetFileAttributesA(elementName.c_str()) == INVALID_FILE_ATTRIBUTES)
            return MCIERR_FILE_NOT_FOUND;
        file = PlaylistEntry(elementName);
        if (file.empty())
            return MCIERR_INVALID_FILE;
    }
    // The device is named here rather than left to the system's table of extensions, which
    // knows nothing of playlists and maps some music types to no device at all.
    std::string type = deviceType;
    if (type.empty() && (flags & MCI_OPEN_ELEMENT)) {
        type = DeviceTypeFor(file);
        flags |= MCI_OPEN_TYPE;
    }
    ::MCI_OPEN_PARMSA parameters{};
    parameters.dwCallback = Callback(callback);
    parameters.lpstrDeviceType = (flags & MCI_OPEN_TYPE) ? type.c_str() : nullptr;
    parameters.lpstrElementName = (flags & MCI_OPEN_ELEMENT) ? file.c_str() : nullptr;
    const MCIERROR error = Send(0, MCI_OPEN, flags, &parameters);
    if (error != 0)
        return error;
    deviceId = static_cast<MCIDEVICEID>(parameters.wDeviceID);
    open_.insert(deviceId);
    // Lengths and positions are told in milliseconds, whatever the device would choose.
    SetTimeFormat(deviceId, MCI_WAIT, MCI_FORMAT_MILLISECONDS);
    return 0;
}

MCIERROR Win32Mci::Play(MCIDEVICEID id, DWORD flags, HWND callback, DWORD from, DWORD to) {
    ::MCI_PLAY_PARMS parameters{};
    parameters.dwCallback = Callback(callback);
    parameters.dwFrom = from;
    parameters.dwTo = to;
    return Send(id, MCI_PLAY, flags, &parameters);
}

MCIERROR Win32Mci::Stop(MCIDEVICEID id, DWORD flags, HWND callback) {
    return Generic(id, MCI_STOP, flags, callback);
}

MCIERROR Win32Mci::Pause(MCIDEVICEID id, DWORD flags, HWND callback) {
    return Generic(id, MCI_PAUSE, flags, callback);
}

MCIERROR Win32Mci::Resume(MCIDEVICEID id, DWORD flags, HWND callback) {
    return Generic(id, MCI_RESUME, flags, callback);
}

MCIERROR Win32Mci::Close(MCIDEVICEID id, DWORD flags, HWND callback) {
    const MCIERROR error = Generic(id, MCI_CLOSE, flags, callback);
    if (error == 0)
        open_.erase(id);
    return error;
}

MCIERROR Win32Mci::Seek(MCIDEVICEID id, DWORD flags, DWORD to, HWND callback) {
    ::MCI_SEEK_PARMS parameters{};
    parameters.dwCallback = Callback(callback);
    parameters.dwTo = to;
    return Send(id, MCI_SEEK, flags, &parameters);
}

MCIERROR Win32Mci::Status(MCIDEVICEID id, DWORD flags, DWORD item, DWORD& value) {
    ::MCI_STATUS_PARMS parameters{};
    parameters.dwItem = item;
    const MCIERROR error = Send(id, MCI_STATUS, flags, &parameters);
    if (error == 0)
        value = static_cast<DWORD>(parameters.dwReturn);
    return error;
}

MCIERROR Win32Mci::GetDevCaps(MCIDEVICEID id, DWORD flags, DWORD item, DWORD& value) {
    ::MCI_GETDEVCAPS_PARMS parameters{};
    parameters.dwItem = item;
    const MCIERROR error = Send(id, MCI_GETDEVCAPS, flags, &parameters);
    if (error == 0)
        value = parameters.dwReturn;
    return error;
}

bool Win32Mci::GetErrorString(MCIERROR error, std::string& text) {
    char buffer[4096] = {};
    if (!::mciGetErrorStringA(error, buffer, sizeof buffer))
        return false;
    text = buffer;
    return true;
}

MCIERROR Win32Mci::Record(MCIDEVICEID id, DWORD flags, HWND callback) {
    ::MCI_RECORD_PARMS parameters{};
    parameters.dwCallback = Callback(callback);
    return Send(id, MCI_RECORD, flags, &parameters);
}

MCIERROR Win32Mci::OpenDoor(MCIDEVICEID id, DWORD flags, HWND callback) {
    ::MCI_SET_PARMS parameters{};
    parameters.dwCallback = Callback(callback);
    return Send(id, MCI_SET, flags | MCI_SET_DOOR_OPEN, &parameters);
}

MCIERROR Win32Mci::SetTimeFormat(MCIDEVICEID id, DWORD flags, DWORD format) {
    ::MCI_SET_PARMS parameters{};
    parameters.dwTimeFormat = format;
    return Send(id, MCI_SET, flags | MCI_SET_TIME_FORMAT, &parameters);
}

} // namespace os
