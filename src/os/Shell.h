// The notification area, popup menus, icons and message boxes.
#pragma once

#include "os/Types.h"

#include <cstring>
#include <string>
#include <vector>

namespace os {

inline constexpr DWORD NIM_ADD = 0;
inline constexpr DWORD NIM_MODIFY = 1;
inline constexpr DWORD NIM_DELETE = 2;
inline constexpr DWORD NIM_SETVERSION = 4;

inline constexpr UINT NIF_MESSAGE = 0x01;
inline constexpr UINT NIF_ICON = 0x02;
inline constexpr UINT NIF_TIP = 0x04;
inline constexpr UINT NIF_INFO = 0x10;

inline constexpr DWORD NIIF_NONE = 0;
inline constexpr DWORD NIIF_INFO = 1;
inline constexpr DWORD NIIF_WARNING = 2;
inline constexpr DWORD NIIF_ERROR = 3;

inline constexpr UINT NIN_SELECT = WM_USER + 0;
inline constexpr UINT NIN_KEYSELECT = WM_USER + 1;
inline constexpr UINT NIN_BALLOONSHOW = WM_USER + 2;
inline constexpr UINT NIN_BALLOONHIDE = WM_USER + 3;
inline constexpr UINT NIN_BALLOONTIMEOUT = WM_USER + 4;
inline constexpr UINT NIN_BALLOONUSERCLICK = WM_USER + 5;

// The notify-icon record in the layout the shell takes (ANSI, with balloon fields).
// uID names the icon to its owner; it is as wide as a pointer, so an object's identity fits.
struct NotifyIconData {
    HWND hWnd = 0;
    std::uintptr_t uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon = 0;
    char szTip[128] = {};
    DWORD dwState = 0;
    DWORD dwStateMask = 0;
    char szInfo[256] = {};
    UINT uTimeoutOrVersion = 0; // uTimeout, or uVersion for NIM_SETVERSION
    char szInfoTitle[64] = {};
    DWORD dwInfoFlags = 0;
};

// One entry of a popup menu as the menu service shows it.
struct MenuEntry {
    int Command = 0; // returned when chosen; 0 for separators
    std::string Caption;
    bool Separator = false;
    bool Enabled = true;
    bool Default = false; // shown bold
};

// What the file-open dialog asks and answers (OPENFILENAME, one file at a time).
struct OpenFileName {
    HWND Owner = 0;
    // Shown names and their patterns, alternating, all separated by '|':
    // "Music|*.mid;*.wav|Wave (*.wav)|*.wav". Empty shows every file.
    std::string Filter;
    int FilterIndex = 1; // 1-based: the choice shown first; on return, the one in force
    std::string InitialDir;
    std::string Title;    // empty: the system's caption
    std::string FileName; // proposed on entry; the chosen file's full path on return
};

class Shell {
public:
    virtual ~Shell() = default;
    virtual bool Shell_NotifyIcon(DWORD message, const NotifyIconData& data) = 0;
    // Shows a popup menu at a screen point; returns the chosen Command, 0 when dismissed.
    // Runs a nested loop while the menu is open.
    virtual int TrackPopupMenu(const std::vector<MenuEntry>& entries, TPoint at, HWND owner) = 0;
    // An icon from the program's own resources ("MAINICON", "TRAY0" ... "TRAY7"); 0 if missing.
    virtual HICON LoadIconResource(const std::string& name) = 0;
    virtual void DestroyIcon(HICON icon) = 0;
    // A message box (MB_* flags); returns the ID* of the pressed button. Runs a nested loop.
    virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                           UINT flags) = 0;
    // The file-open dialog for an existing file; false when the user cancels. Runs a nested
    // loop.
    virtual bool GetOpenFileName(OpenFileName& request) {
        (void)request;
        return false;
    }
};

// Copies at most max characters of text into a fixed field and zero-terminates it.
template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text, std::size_t max = N - 1) {
    std::memset(field, 0, N);
    std::size_t n = text.size() < max ? text.size() : max;
    if (n > N - 1)
        n = N - 1;
#ifndef _WIN32
    // UTF-8 text is cut before the character that would not fit whole; ANSI text is bytes.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
#endif
    std::memcpy(field, text.data(), n);
}

} // namespace os
