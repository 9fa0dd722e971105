// The notification area on QSystemTrayIcon, popup menus on QMenu, message boxes on QMessageBox
// and the program's icons from its Qt resources.
//
// The tray delivers the callback messages a Windows shell would: button down and up pairs,
// double clicks and pointer moves, taken from the tray icon's own X window (it receives them
// only while the pointer is over it, so nothing polls while nobody hovers), and the balloon
// notifications. Where the tray has no window of ours (a D-Bus tray host) the toolkit's
// activation reasons stand in for the button pairs.
#pragma once

#include "os/MessageLoop.h"
#include "os/Shell.h"

#include <memory>

class QIcon;

namespace os {

class LinuxShell : public Shell {
public:
    explicit LinuxShell(MessageLoop& loop);
    ~LinuxShell() override;
    LinuxShell(const LinuxShell&) = delete;
    LinuxShell& operator=(const LinuxShell&) = delete;

    bool Shell_NotifyIcon(DWORD message, const NotifyIconData& data) override;
    int TrackPopupMenu(const std::vector<MenuEntry>& entries, TPoint at, HWND owner) override;
    HICON LoadIconResource(const std::string& name) override;
    void DestroyIcon(HICON icon) override;
    int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                   UINT flags) override;
    // On the toolkit's file dialog (LinuxFileDialog.cpp).
    bool GetOpenFileName(OpenFileName& request) override;

    // The image behind an icon handle, for the native peers of image components; a null icon
    // for 0 or an unknown handle.
    QIcon IconOf(HICON icon) const;
    // Registers an image under a new handle (frames cut from an image list, for example).
    HICON AddIcon(const QIcon& icon);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace os
