// System-wide hot keys on X11: a passive key grab on the root window of a connection of our
// own, whose socket the main loop watches, so a press costs nothing until it happens. The
// grab is made for each state of Num Lock and Caps Lock, so that the key works whichever is
// on. Global atoms are a table of this process (no other program reads them).
//
// In a Wayland session no client can grab a key: the compositor binds it to "--end-rest"
// (which arrives through Press) or the desktop portal's global shortcuts bind it, and a
// registration holds without any X server.
#pragma once

#include "os/Input.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
struct _XDisplay;

namespace os {

class PortalShortcuts;

class LinuxHotKeys : public HotKeys {
public:
    LinuxHotKeys();
    ~LinuxHotKeys() override;
    LinuxHotKeys(const LinuxHotKeys&) = delete;
    LinuxHotKeys& operator=(const LinuxHotKeys&) = delete;

    // The same atom for the same name, letter case ignored; from 0xC000 up like string atoms.
    ATOM GlobalAddAtom(const std::string& name) override;
    // False when the id is in use for the window, the key has no key on this keyboard, the
    // combination is registered already, the display cannot be reached, or another client
    // holds the grab.
    bool RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey) override;
    bool UnregisterHotKey(HWND window, int id) override;

    // A press of the key from outside the X server (the "--end-rest" command, the portal):
    // sends WM_HOTKEY as a grabbed press does. False when nothing registered the key.
    bool Press(UINT modifiers, UINT virtualKey);

    // Whether registrations are made for a Wayland session (by default, when it is one), and
    // whether they are offered to the desktop portal there too (by default they are).
    void SetWaylandSession(bool wayland, bool portal = true) {
        wayland_ = wayland;
        portalWanted_ = portal;
    }

private:
    struct Registration {
        HWND Window;
        int Id;
        UINT Modifiers;
        UINT VirtualKey;
        unsigned KeyCode; // 0 in a Wayland session, where nothing is grabbed
        unsigned Mask;    // X modifier mask of Modifiers
    };
    bool Connect();
    void Disconnect();
    bool Grab(unsigned keyCode, unsigned mask);
    void Ungrab(unsigned keyCode, unsigned mask);
    void ReadEvents();
    void MappingChanged();
    unsigned LockMasks() const;
    std::array<unsigned, 4> LockCombinations() const;

    _XDisplay* display_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<Registration> registrations_;
    std::map<std::string, ATOM> atoms_; // by upper-case name
    unsigned numLockMask_ = 0;
    bool connectionLost_ = false;
    bool wayland_;
    bool portalWanted_ = true;
    std::unique_ptr<PortalShortcuts> portal_; // made with the first Wayland registration
};

} // namespace os
