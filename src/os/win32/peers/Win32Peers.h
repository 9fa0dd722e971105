// The native peers of the ui components on Win32: a popup window for a form and the system's
// own controls (made with CreateWindowExA from the forms' design bounds) for every control kind
// the dialogs use. Bounds, fonts and pictures are designed at 96 dots per inch and scaled to
// each window's own; a form that moves to a monitor of another scale is laid out anew.
// The peers reach their controls only through ui::TPeerControl.
#pragma once

#include "ui/PeerFactory.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct HWND__;
struct HBRUSH__;
struct HBITMAP__;

namespace os {

class Win32Peer;

class Win32PeerFactory : public ui::TPeerFactory {
public:
    Win32PeerFactory();
    ~Win32PeerFactory() override;
    Win32PeerFactory(const Win32PeerFactory&) = delete;
    Win32PeerFactory& operator=(const Win32PeerFactory&) = delete;

    std::unique_ptr<ui::TControlPeer> CreatePeer(ui::TControl& control) override;
    void RunModal(ui::TForm& form) override;
    void CancelHint() override;
    std::vector<HWND> EnumChildWindows(HWND parent) override;
    bool IsWindowVisible(HWND window) override;
    // Sends WM_CLOSE; a window that does not answer within a few seconds is left alone, so
    // a hung screen saver cannot hang the dialog.
    void CloseWindow(HWND window) override;

    // The peers' own window class, the windows of the peers, and a hidden window for controls
    // that have no parent yet.
    const char* WindowClass() const { return "VistrelPeerWindow"; }
    void Register(HWND__* window, Win32Peer& peer);
    void Unregister(HWND__* window);
    Win32Peer* Find(HWND__* window) const;
    HWND__* Parking();
    // The peers whose windows lie in a top-level window; every peer for nullptr.
    std::vector<Win32Peer*> PeersIn(HWND__* root) const;
    // Brushes of colours, kept while the factory lives.
    HBRUSH__* Brush(std::uint32_t colorValue);
    // A bitmap of the program's resources, loaded once; nullptr when missing.
    HBITMAP__* Bitmap(const std::string& name);
    // A control identifier unique among the peers' windows (from 1000, clear of IDOK and
    // IDCANCEL).
    int NextId() { return nextId_++; }

private:
    std::unordered_map<HWND__*, Win32Peer*> windows_;
    std::map<std::uint32_t, HBRUSH__*> brushes_;
    std::map<std::string, HBITMAP__*> bitmaps_;
    HWND__* parking_ = nullptr;
    int nextId_ = 1000;
};

} // namespace os
