// Where controls get their native peers: the platform's toolkit makes them, runs the nested
// loop of a modal form, and knows the native windows that other programs put into ours
// (a screen saver's preview inside a panel).
#pragma once

#include "os/Types.h"
#include "ui/Peer.h"

#include <memory>
#include <vector>

namespace ui {

class TControl;
class TForm;

class TPeerFactory {
public:
    virtual ~TPeerFactory() = default;

    // The native side of a control; the control's parent, if it has one, has its peer
    // already. nullptr leaves the control headless.
    virtual std::unique_ptr<TControlPeer> CreatePeer(TControl& control) = 0;
    // Handles messages (timers, the tray, other windows) until the shown form is hidden.
    virtual void RunModal(TForm& form) = 0;
    // Takes a hint that is on screen down.
    virtual void CancelHint() {}

    // Native windows, ours or other programs': the children of a window at every depth in
    // the system's order (parents before their children), whether one is visible, and the
    // close request a window gets from its close box (WM_CLOSE).
    virtual std::vector<os::HWND> EnumChildWindows(os::HWND parent) = 0;
    virtual bool IsWindowVisible(os::HWND window) = 0;
    virtual void CloseWindow(os::HWND window) = 0;
};

// The installed platform's factory; nullptr without a platform or when it makes no peers.
TPeerFactory* PeerFactory();

// Gives the control and every control inside it a peer, parents first, where they have none.
void CreatePeers(TControl& control);

// Application.CancelHint.
void CancelHint();

} // namespace ui
