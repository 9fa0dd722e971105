// The notification area through Shell_NotifyIconA, popup menus, the program's icons and
// message boxes.
//
// The program names a tray icon by an identity as wide as a pointer, but the shell carries a
// 32-bit id (NOTIFYICONDATA.uID and the callback's wParam). Each identity gets a small id of
// its own for as long as its icon exists, and the callback's id is turned back into the
// identity before the program sees it: nothing is cut, so two icons never share an id.
#pragma once

#include "os/Shell.h"
#include "os/win32/Win32MessageLoop.h"

#include <map>
#include <set>
#include <utility>

namespace os {

class Win32Shell : public Shell {
public:
    explicit Win32Shell(Win32MessageLoop& loop) : loop_(loop) {}
    ~Win32Shell() override;
    Win32Shell(const Win32Shell&) = delete;
    Win32Shell& operator=(const Win32Shell&) = delete;

    bool Shell_NotifyIcon(DWORD message, const NotifyIconData& data) override;
    int TrackPopupMenu(const std::vector<MenuEntry>& entries, TPoint at, HWND owner) override;
    // Tray frames ("TRAY0" ...) at the system's small-icon size, so they are sharp at every
    // scaling; other icons at the system's icon size.
    HICON LoadIconResource(const std::string& name) override;
    void DestroyIcon(HICON icon) override;
    int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                   UINT flags) override;
    // The system's file-open dialog (Win32FileDialog.cpp).
    bool GetOpenFileName(OpenFileName& request) override;

    // The 32-bit id the shell knows an icon by; 0 when the identity has none (yet).
    UINT ShellIdOf(HWND window, std::uintptr_t identity) const;

private:
    UINT IdFor(HWND window, UINT callbackMessage, std::uintptr_t identity);
    WPARAM IdentityOf(HWND window, WPARAM shellId) const;

    Win32MessageLoop& loop_;
    std::map<std::pair<HWND, std::uintptr_t>, UINT> ids_;
    std::map<std::pair<HWND, UINT>, std::uintptr_t> identities_;
    std::set<std::pair<HWND, UINT>> translated_; // callback messages the loop translates
    UINT nextId_ = 1;
    std::set<HICON> icons_; // loaded here, destroyed here
};

} // namespace os
