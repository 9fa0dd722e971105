// Peers without a display, for tests: they record what the controls tell them, hand out
// native handles, play the windows a screen saver would put into a panel, and run a modal
// form's loop as a script. The user's own actions are the controls' calls (Click, Toggle,
// Select, SelectByUser, SetText, StepUp, SetFocus, SelectPageByUser), which tests call
// directly, as a native peer would.
#pragma once

#include "ui/PeerFactory.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ui {
class TControl;
class TForm;
} // namespace ui

namespace fake {

class HeadlessPeerFactory;

class HeadlessPeer : public ui::TControlPeer {
public:
    HeadlessPeer(HeadlessPeerFactory& factory, ui::TControl& control, os::HWND handle)
        : factory_(factory), control_(control), handle_(handle) {}
    void PropertyChanged(ui::TControl& control, ui::TProperty property) override;
    os::HWND NativeHandle() override { return handle_; }
    void BringToFront() override;

    std::vector<ui::TProperty> Changes;

private:
    HeadlessPeerFactory& factory_;
    ui::TControl& control_; // the peer goes before its control
    os::HWND handle_;
};

class HeadlessPeerFactory : public ui::TPeerFactory {
public:
    std::unique_ptr<ui::TControlPeer> CreatePeer(ui::TControl& control) override;
    // Runs WhileModal, the user's part; a form still shown after it is closed with its close
    // box, so a test never hangs.
    void RunModal(ui::TForm& form) override;
    void CancelHint() override { ++HintsCancelled; }
    std::vector<os::HWND> EnumChildWindows(os::HWND parent) override;
    bool IsWindowVisible(os::HWND window) override;
    void CloseWindow(os::HWND window) override;

    // Puts a window of another program into a native window (a screen saver's preview).
    os::HWND AddChildWindow(os::HWND parent, bool visible = true);
    // The windows inside a native window, in order, at every depth.
    std::vector<os::HWND> ChildrenOf(os::HWND parent) const;

    std::function<void(ui::TForm&)> WhileModal;
    int ModalRuns = 0;
    int HintsCancelled = 0;
    int PeersMade = 0;
    std::vector<std::string> BroughtToFront; // form names
    std::vector<os::HWND> CloseRequests;     // in order

private:
    friend class HeadlessPeer;
    void Forget(os::HWND window);
    std::map<os::HWND, std::vector<os::HWND>> children_;
    std::map<os::HWND, bool> visible_;
    os::HWND nextHandle_ = 0x70000;
};

} // namespace fake
