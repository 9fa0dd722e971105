// What every Win32 peer shares: the window it owns, the view of its control, the font and
// brushes it draws with, the scale from the forms' 96 dots per inch to the window's, and the
// messages a window gets about its child controls (commands, notifications, colours), which
// are handed to the child's peer.
#pragma once

#include "ui/Application.h"
#include "ui/PeerControl.h"

// The Windows headers after the interface's (see Win32Windows.h).
#include "os/win32/Win32Windows.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace os {

class Win32PeerFactory;

// A GDI object (font, brush, bitmap) with one owner.
template <class T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T object) : object_(object) {}
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    T Get() const { return object_; }
    void Reset(T object = nullptr) {
        if (object_)
            ::DeleteObject(object_);
        object_ = object;
    }

private:
    T object_ = nullptr;
};

// The dots per inch of a window: its own where the system tells it, else the system's.
UINT WindowDpi(::HWND window);
// A length at 96 dots per inch in pixels at `dpi`, and back (rounded up, so a measured text
// never shrinks below its size).
inline int ToDevice(int logical, UINT dpi) {
    return ::MulDiv(logical, static_cast<int>(dpi), 96);
}
inline int ToLogicalCeil(int device, UINT dpi) {
    return (device * 96 + static_cast<int>(dpi) - 1) / static_cast<int>(dpi);
}
inline int ToLogical(int device, UINT dpi) {
    return ::MulDiv(device, 96, static_cast<int>(dpi));
}

// A font of the component model at a given dots per inch, in the character set of the text
// the program shows (the system's ANSI code page).
::HFONT CreateModelFont(const ui::TFont& font, UINT dpi);
COLORREF ColorOf(ui::TColor color);
ui::TShiftState ShiftOf(WPARAM mouseKeys);
// A caption without its accelerator marks, "&&" read as one ampersand.
std::string WithoutAccelerators(const std::string& caption);

class Win32Peer : public ui::TControlPeer {
public:
    Win32Peer(Win32PeerFactory& factory, ui::TControl& control);
    ~Win32Peer() override;
    Win32Peer(const Win32Peer&) = delete;
    Win32Peer& operator=(const Win32Peer&) = delete;

    // Makes the window and brings it up to the control's state; once, after construction.
    void Create();

    void PropertyChanged(ui::TControl& control, ui::TProperty property) override;
    bool MeasureText(const ui::TFont& font, const std::string& text, int& width,
                     int& height) override;
    HWND NativeHandle() override { return reinterpret_cast<HWND>(hwnd_); }

    ::HWND Window() const { return hwnd_; }
    // Where the windows of child controls go.
    virtual ::HWND Container() const { return hwnd_; }
    const ui::TPeerControl& View() const { return view_; }
    UINT Dpi() const { return dpi_; }
    int Px(int logical) const { return ToDevice(logical, dpi_); }

    // The brush this control's area is filled with; transparent controls take their parent's.
    virtual ::HBRUSH Background();
    // Messages about this control that its parent window gets.
    virtual void Command(WORD code) { (void)code; }
    virtual bool Notify(NMHDR& header, LRESULT& result) {
        (void)header;
        (void)result;
        return false;
    }
    virtual ::HBRUSH ControlColor(::HDC dc);

    // Puts the window where its control's bounds say, again (its parent window moved).
    void Reposition() {
        if (hwnd_)
            PlaceWindow();
    }

    // The window's dots per inch changed (the form moved to another monitor, or was made):
    // new fonts, new bounds.
    virtual void Rescale();

    // The window procedure of the windows the peers make of their own class, and the
    // subclass procedure of the system's controls; both pass here first.
    LRESULT HandleMessage(::HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

protected:
    // The window class, styles and text of the window to make.
    struct CreateArgs {
        const char* ClassName = nullptr; // nullptr: the peers' own class
        DWORD Style = 0;
        DWORD ExStyle = 0;
        std::string Text;
        // Siblings are clipped out of the window's painting (not for a tab control's pages,
        // which lie over it).
        bool ClipSiblings = true;
    };
    virtual CreateArgs Args() = 0;
    // After the window is made, before the properties are applied.
    virtual void Created() {}
    virtual void Apply(ui::TProperty property);
    // Puts the window at the control's bounds (at this window's scale).
    virtual void PlaceWindow();
    // Messages of the peer's own window (or the subclassed control) after the common ones;
    // set handled to keep them from the default procedure.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    // Paints a window of the peers' own class.
    virtual void Paint(::HDC dc, const RECT& client) {
        (void)dc;
        (void)client;
    }
    // Whether the user can put the keyboard focus here.
    virtual bool TakesFocus() const { return true; }

    // Runs what the user set off, while the control is there to hear it; an error is shown
    // in the application's error box. False when the control is gone afterwards.
    template <class F>
    bool User(F&& f);
    bool RootVisible() const;
    // The window the control's window goes into.
    virtual ::HWND ParentWindow() const;
    void UpdateFont();
    void UpdateTool();
    // Registers another window of this peer (an up-down beside an edit) for routing.
    void AddWindow(::HWND window);

    Win32PeerFactory& factory_;
    ui::TPeerControl view_;
    ::HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    GdiObject<::HFONT> font_;
    bool setting_ = false; // a change made by the peer itself, not to be echoed back
    bool tracking_ = false;
    bool alive_ = true;
    std::weak_ptr<void> life_;
    std::vector<::HWND> extraWindows_;

    std::string hintText_;       // the tooltip's text while it asks for it
    ::HWND toolOwner_ = nullptr; // the form's tooltip that shows this control's hint
    ::HWND toolForm_ = nullptr;  // the window the tool is registered under

private:
    static LRESULT CALLBACK SubclassProc(::HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    bool subclassed_ = false;
};

// Peers of the control families; each file makes its own.
std::unique_ptr<Win32Peer> MakeFormPeer(Win32PeerFactory& factory, ui::TControl& control);
std::unique_ptr<Win32Peer> MakePageControlPeer(Win32PeerFactory& factory, ui::TControl& control);
std::unique_ptr<Win32Peer> MakeTabSheetPeer(Win32PeerFactory& factory, ui::TControl& control);
std::unique_ptr<Win32Peer> MakeContainerPeer(Win32PeerFactory& factory, ui::TControl& control);
std::unique_ptr<Win32Peer> MakeLabelPeer(Win32PeerFactory& factory, ui::TControl& control);
std::unique_ptr<Win32Peer> MakeImagePeer(Win32PeerFactory& factory, ui::TControl& control);
std::unique_ptr<Win32Peer> MakeButtonPeer(Win32PeerFactory& factory, ui::TControl& control);
std::unique_ptr<Win32Peer> MakeEditPeer(Win32PeerFactory& factory, ui::TControl& control);
std::unique_ptr<Win32Peer> MakeListPeer(Win32PeerFactory& factory, ui::TControl& control);
std::unique_ptr<Win32Peer> MakeButtonBarPeer(Win32PeerFactory& factory, ui::TControl& control);

// Runs the nested loop of a shown form (Win32FormPeer.cpp).
void RunFormLoop(Win32Peer& formPeer);
// Takes the hints of every shown form down.
void CancelFormHints(Win32PeerFactory& factory);
// The form peer's tooltip window, made on first use; nullptr when it cannot be made.
::HWND FormToolTip(Win32Peer& formPeer);

template <class F>
bool Win32Peer::User(F&& f) {
    if (!alive_)
        return false;
    auto life = life_; // the peer may go with its control
    ui::HandleExceptions(std::forward<F>(f));
    return !life.expired();
}

} // namespace os
