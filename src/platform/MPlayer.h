// The media player: a row of up to nine push buttons plus the audio device it has open. It
// sends the multimedia commands itself, with their wait and notify flags, and keeps the
// buttons' enabled state in step with what the device does. The realisation paints the
// buttons from ButtonFaces() and reports presses, moves, releases and keys back.
#pragma once

#include "os/Mci.h"
#include "os/Types.h"
#include "ui/Classes.h"
#include "ui/Component.h"
#include "ui/Controls.h"
#include "ui/Peer.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace os {
class Platform;
}

namespace platform {

// Raised by the player; the text is the device's own error text.
class EMCIDeviceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
inline constexpr int MPButtonCount = 9;

class TButtonSet {
public:
    constexpr TButtonSet() = default;
    constexpr TButtonSet(std::initializer_list<TMPBtnType> buttons) {
        for (TMPBtnType b : buttons)
            bits_ |= Bit(b);
    }
    static constexpr TButtonSet All() {
        TButtonSet s;
        s.bits_ = (1u << MPButtonCount) - 1;
        return s;
    }
    constexpr bool Contains(TMPBtnType b) const { return (bits_ & Bit(b)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr void Include(TMPBtnType b) { bits_ |= Bit(b); }
    constexpr void Exclude(TMPBtnType b) { bits_ &= ~Bit(b); }
    constexpr TButtonSet operator+(TButtonSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TButtonSet operator-(TButtonSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr bool operator==(const TButtonSet&) const = default;

private:
    static constexpr unsigned Bit(TMPBtnType b) { return 1u << static_cast<unsigned>(b); }
    static constexpr TButtonSet FromBits(unsigned bits) {
        TButtonSet s;
        s.bits_ = bits;
        return s;
    }
    unsigned bits_ = 0;
};

enum TMPDeviceTypes {
    dtAutoSelect,
    dtAVIVideo,
    dtCDAudio,
    dtDAT,
    dtDigitalVideo,
    dtMMMovie,
    dtOther,
    dtOverlay,
    dtScanner,
    dtSequencer,
    dtVCR,
    dtVideodisc,
    dtWaveAudio
};

// The device's mode: its status value minus MCI_MODE_NOT_READY.
enum TMPModes : std::uint8_t {
    mpNotReady,
    mpStopped,
    mpPlaying,
    mpRecording,
    mpSeeking,
    mpPaused,
    mpOpen
};

enum TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

// What the device can do, read at Open.
struct TMPDevCaps {
    bool CanPlay = false;
    bool CanRecord = false;
    bool CanEject = false;
    bool HasVideo = false;
    bool CanStep = false;
};

// One visible button as it is to be drawn, in the player's client coordinates.
struct TMPButtonFace {
    TMPBtnType Button;
    os::TRect Rect;
    std::string Image;   // bitmap resource: "EN_", "DI_" or "CL_" + "MPPLAY", "MPPAUSE", ...
    os::TPoint ImageAt;  // top left of the image: centred, one pixel right and down if pressed
    bool Pressed;        // drawn sunk
    bool Focused;        // gets the focus rectangle
    os::TRect FocusRect; // the button inset by 3 pixels
};

using EMPNotify = std::function<void(ui::TComponent* sender, TMPBtnType button, bool& doDefault)>;
using EMPPostNotify = std::function<void(ui::TComponent* sender, TMPBtnType button)>;

class TMediaPlayer : public ui::TWinControl, public ui::TPaintedButtons {
public:
    // The size of the button bitmaps the resources provide.
    static constexpr int DefaultImageWidth = 16;
    static constexpr int DefaultImageHeight = 12;

    explicit TMediaPlayer(ui::TComponent* owner, int imageWidth = DefaultImageWidth,
                          int imageHeight = DefaultImageHeight);
    // Closes an open device (waiting) and the player's window.
    ~TMediaPlayer() override;

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }
    TMPDeviceTypes DeviceType() const { return deviceType_; }
    void SetDeviceType(TMPDeviceTypes type) { deviceType_ = type; }
    bool AutoOpen() const { return autoOpen_; }
    void SetAutoOpen(bool value) { autoOpen_ = value; }
    bool AutoRewind() const { return autoRewind_; }
    void SetAutoRewind(bool value) { autoRewind_ = value; }
    bool AutoEnable() const { return autoEnable_; }
    void SetAutoEnable(bool value);
    bool Shareable() const { return shareable_; }
    void SetShareable(bool value) { shareable_ = value; }
    TButtonSet VisibleButtons() const { return visibleButtons_; }
    void SetVisibleButtons(TButtonSet buttons);
    TButtonSet EnabledButtons() const { return enabledButtons_; }
    void SetEnabledButtons(TButtonSet buttons);
    TButtonSet ColoredButtons() const { return coloredButtons_; }
    void SetColoredButtons(TButtonSet buttons);
    // A window for video; audio devices do not use it.
    ui::TWinControl* Display() const { return display_.Get(); }
    void SetDisplay(ui::TWinControl* display) { display_ = display; }

    // Each sets its value and marks it given for the next command only.
    bool Notify() const { return notify_; }
    void SetNotify(bool value);
    bool Wait() const { return wait_; }
    void SetWait(bool value);
    void SetFrom(os::DWORD value);
    void SetTo(os::DWORD value);

    // Opens FileName (closing an open device first); EMCIDeviceError when the device refuses.
    void Open();
    // Each raises EMCIDeviceError "No MCI device open" when nothing is open; device failures
    // only set Error().
    void Play();
    void Stop();
    void Pause(); // resumes when paused
    void Resume();
    void Next();
    void Previous();
    void Step();
    void Back();
    void StartRecording();
    void Eject();
    // Does nothing when nothing is open; on a device failure the device stays open. Never raises.
    void Close();
    // Opens the file when AutoOpen is set; call once the owner's properties are applied.
    void Loaded();

    // The device's mode; a closed player reports mpNotReady.
    TMPModes Mode();
    os::DWORD Length();
    os::DWORD Position();

    os::MCIDEVICEID DeviceID() const { return deviceId_; }
    bool Opened() const { return opened_; }
    os::MCIERROR Error() const { return error_; }
    std::string ErrorMessage();
    os::DWORD Flags() const { return flags_; }
    const TMPDevCaps& Capabilities() const { return caps_; }
    os::DWORD Frames() const { return frames_; }
    TMPNotifyValues NotifyValue() const { return notifyValue_; }
    // The window MM_MCINOTIFY comes back to.
    os::HWND CallbackWindow() const { return window_; }

    // The button bar.
    TButtonSet AutoButtons() const { return autoButtons_; }
    bool ButtonEnabled(TMPBtnType button) const;
    int ButtonWidth() const { return buttonWidth_; }
    int ImageWidth() const { return imageWidth_; }
    int ImageHeight() const { return imageHeight_; }
    TMPBtnType FocusedButton() const { return focusedButton_; }
    bool MouseCaptured() const { return captured_; }
    std::vector<TMPButtonFace> ButtonFaces() const;
    // The visible button under a point of the client area; false when there is none.
    bool ButtonAt(int x, int y, TMPBtnType& button) const;

    // Input from the realisation (and tests). Key codes are virtual keys; a key the player
    // handles is set to 0.
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y);
    void MouseMove(ui::TShiftState shift, int x, int y);
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y);
    void KeyDown(int& key, ui::TShiftState shift);

    // The button bar as the native peer paints it and reports the user's input.
    std::vector<ui::TButtonFace> PaintedFaces() const override;
    void PaintedMouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override {
        MouseDown(button, shift, x, y);
    }
    void PaintedMouseMove(ui::TShiftState shift, int x, int y) override { MouseMove(shift, x, y); }
    void PaintedMouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override {
        MouseUp(button, shift, x, y);
    }
    void PaintedKeyDown(int& key, ui::TShiftState shift) override { KeyDown(key, shift); }
    bool PaintedCapture() const override { return captured_; }

    // Runs a button as a click does: OnClick, the command unless cancelled, OnPostClick.
    void ClickButton(TMPBtnType button);

    EMPNotify OnClick; // hides the control's plain click event: the player's names the button
    EMPPostNotify OnPostClick;
    ui::TNotifyEvent OnNotify;

protected:
    // The after-click rule for the automatic buttons.
    virtual void AutoButtonSet(TMPBtnType button);
    virtual void DoClick(TMPBtnType button, bool& doDefault);
    virtual void PostClick(TMPBtnType button);
    virtual void DoNotify();

    void BoundsChanged() override;

private:
    bool PlatformAlive() const;
    os::Mci& Device() const;
    void CheckOpen() const;
    // Wait and notify flags of the plain commands; consumes the marks.
    os::DWORD WaitNotifyFlags();
    os::MCIERROR StatusItem(os::DWORD item, os::DWORD& value);
    void ReadCapabilities();
    void Layout();
    void Redraw();
    void MciNotify(os::WPARAM code);
    void RunCommand(TMPBtnType button);

    os::Platform& platform_;
    os::HWND window_ = 0;
    int imageWidth_;
    int imageHeight_;

    std::string fileName_;
    TMPDeviceTypes deviceType_ = dtAutoSelect;
    bool autoOpen_ = false;
    bool autoRewind_ = true;
    bool autoEnable_ = true;
    bool shareable_ = false;
    TButtonSet visibleButtons_ = TButtonSet::All();
    TButtonSet enabledButtons_ = TButtonSet::All();
    TButtonSet coloredButtons_ = TButtonSet::All();
    ui::TComponentRef<ui::TWinControl> display_;

    os::MCIDEVICEID deviceId_ = 0;
    bool opened_ = false;
    os::DWORD flags_ = 0;
    os::MCIERROR error_ = 0;
    bool notify_ = false;
    bool useNotify_ = false;
    bool wait_ = false;
    bool useWait_ = false;
    os::DWORD from_ = 0;
    bool useFrom_ = false;
    os::DWORD to_ = 0;
    bool useTo_ = false;
    TMPDevCaps caps_;
    bool tracks_ = false;  // time format tracks/minutes/seconds/frames (CD, videodisc)
    os::DWORD frames_ = 0; // step size: a tenth of the length
    TButtonSet autoButtons_;
    TMPNotifyValues notifyValue_ = nvSuccessful;

    int buttonWidth_ = 0;
    TMPBtnType focusedButton_ = btPlay;
    TMPBtnType pressedButton_ = btPlay;
    bool captured_ = false;
    bool drawnDown_ = false;
    bool layingOut_ = false;
};

} // namespace platform
