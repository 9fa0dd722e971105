#include "platform/MPlayer.h"

#include "os/Platform.h"

#include <algorithm>

namespace platform {

namespace {

constexpr const char* NoDeviceOpen = "No MCI device open";

constexpr const char* DeviceTypeNames[] = {
    "",        "AVIVideo", "CDAudio",   "DAT", "DigitalVideo", "MMMovie",  "Other",
    "Overlay", "Scanner",  "Sequencer", "VCR", "Videodisc",    "WaveAudio"};

constexpr const char* ButtonNames[MPButtonCount] = {
    "MPPLAY", "MPPAUSE", "MPSTOP", "MPNEXT", "MPPREV", "MPSTEP", "MPBACK", "MPRECORD", "MPEJECT"};

constexpr int VK_SPACE = 0x20;
constexpr int VK_LEFT = 0x25;
constexpr int VK_RIGHT = 0x27;

// Time format tracks/minutes/seconds/frames: the track is the low byte.
constexpr os::DWORD TmsfTrack(os::DWORD position) {
    return position & 0xFF;
}

} // namespace

TMediaPlayer::TMediaPlayer(ui::TComponent* owner, int imageWidth, int imageHeight)
    : ui::TWinControl(owner), platform_(os::Current()), imageWidth_(imageWidth),
      imageHeight_(imageHeight) {
    window_ = platform_.Loop().CreateMessageWindow(
        [this](os::UINT msg, os::WPARAM wParam, os::LPARAM /*lParam*/) -> os::MessageResult {
            if (msg != os::MM_MCINOTIFY)
                return os::DefaultProcessing;
            MciNotify(wParam);
            return 0;
        });
    SetTabStop(true);
    SetBounds(0, 0, 253, 30);
    Layout();
}

TMediaPlayer::~TMediaPlayer() {
    if (!PlatformAlive())
        return;
    if (deviceId_ != 0)
        Device().Close(deviceId_, os::MCI_WAIT, window_);
    if (window_ != 0)
        platform_.Loop().DestroyWindow(window_);
}

bool TMediaPlayer::PlatformAlive() const {
    return os::Installed() && &os::Current() == &platform_;
}

os::Mci& TMediaPlayer::Device() const {
    return platform_.Media();
}

void TMediaPlayer::CheckOpen() const {
    if (deviceId_ == 0)
        throw EMCIDeviceError(NoDeviceOpen);
}

void TMediaPlayer::SetAutoEnable(bool value) {
    if (value == autoEnable_)
        return;
    autoEnable_ = value;
    Redraw();
}

void TMediaPlayer::SetVisibleButtons(TButtonSet buttons) {
    visibleButtons_ = buttons;
    Layout();
    Redraw();
}

void TMediaPlayer::SetEnabledButtons(TButtonSet buttons) {
    enabledButtons_ = buttons;
    Redraw();
}

void TMediaPlayer::SetColoredButtons(TButtonSet buttons) {
    coloredButtons_ = buttons;
    Redraw();
}

void TMediaPlayer::SetNotify(bool value) {
    notify_ = value;
    useNotify_ = true;
}

void TMediaPlayer::SetWait(bool value) {
    wait_ = value;
    useWait_ = true;
}

void TMediaPlayer::SetFrom(os::DWORD value) {
    from_ = value;
    useFrom_ = true;
}

void TMediaPlayer::SetTo(os::DWORD value) {
    to_ = value;
    useTo_ = true;
}

// Plain commands wait unless told otherwise, and notify only when told to since the last
// command that used the mark.
os::DWORD TMediaPlayer::WaitNotifyFlags() {
    os::DWORD flags = 0;
    if (useWait_) {
        if (wait_)
            flags |= os::MCI_WAIT;
        useWait_ = false;
    } else {
        flags = os::MCI_WAIT;
    }
    if (useNotify_) {
        if (notify_)
            flags |= os::MCI_NOTIFY;
        useNotify_ = false;
    }
    return flags;
}

os::MCIERROR TMediaPlayer::StatusItem(os::DWORD item, os::DWORD& value) {
    flags_ = os::MCI_STATUS_ITEM | os::MCI_WAIT;
    error_ = Device().Status(deviceId_, flags_, item, value);
    return error_;
}

std::string TMediaPlayer::ErrorMessage() {
    std::string text;
    if (!Device().GetErrorString(error_, text) || text.empty())
        return "Unknown error code";
    return text;
}

void TMediaPlayer::Open() {
    if (opened_) {
        Close();
        // A device that would not close stays this player's: opening another over it would
        // leave it playing with nothing left to stop it.
        if (deviceId_ != 0)
            throw EMCIDeviceError(ErrorMessage());
    }
    os::DWORD flags = WaitNotifyFlags();
    flags |= deviceType_ == dtAutoSelect ? os::MCI_OPEN_ELEMENT : os::MCI_OPEN_TYPE;
    if (shareable_)
        flags |= os::MCI_OPEN_SHAREABLE;
    flags_ = flags;
    os::MCIDEVICEID id = 0;
    error_ = Device().Open(DeviceTypeNames[deviceType_], fileName_, flags, window_, id);
    if (error_ != 0)
        throw EMCIDeviceError(ErrorMessage());
    opened_ = true;
    deviceId_ = id;

    os::DWORD length = 0;
    if (StatusItem(os::MCI_STATUS_LENGTH, length) != 0)
        length = 0;
    frames_ = length / 10;
    ReadCapabilities();
    // Video windows are not supported by any device here; disc devices count in tracks.
    tracks_ = false;
    if (deviceType_ == dtCDAudio || deviceType_ == dtVideodisc) {
        flags_ = os::MCI_SET_TIME_FORMAT | os::MCI_WAIT;
        error_ = Device().SetTimeFormat(deviceId_, flags_, os::MCI_FORMAT_TMSF);
        tracks_ = error_ == 0;
    }

    autoButtons_ = {btNext, btPrev};
    if (caps_.CanStep)
        autoButtons_ = autoButtons_ + TButtonSet{btStep, btBack};
    if (caps_.CanPlay)
        autoButtons_.Include(btPlay);
    if (caps_.CanRecord)
        autoButtons_.Include(btRecord);
    if (caps_.CanEject)
        autoButtons_.Include(btEject);
    if (Mode() == mpPlaying)
        AutoButtonSet(btPlay);
    Redraw();
}

void TMediaPlayer::ReadCapabilities() {
    const os::DWORD flags = os::MCI_GETDEVCAPS_ITEM | os::MCI_WAIT;
    flags_ = flags;
    auto item = [&](os::DWORD what) {
        os::DWORD value = 0;
        error_ = Device().GetDevCaps(deviceId_, flags, what, value);
        return error_ == 0 ? value : 0;
    };
    caps_.CanPlay = item(os::MCI_GETDEVCAPS_CAN_PLAY) != 0;
    caps_.CanRecord = item(os::MCI_GETDEVCAPS_CAN_RECORD) != 0;
    caps_.CanEject = item(os::MCI_GETDEVCAPS_CAN_EJECT) != 0;
    caps_.HasVideo = item(os::MCI_GETDEVCAPS_HAS_VIDEO) != 0;
    os::DWORD type = item(os::MCI_GETDEVCAPS_DEVICE_TYPE);
    caps_.CanStep = type == os::MCI_DEVTYPE_VCR || type == os::MCI_DEVTYPE_OVERLAY ||
                    type == os::MCI_DEVTYPE_ANIMATION || type == os::MCI_DEVTYPE_DIGITAL_VIDEO;
}

void TMediaPlayer::Play() {
    CheckOpen();
    if (autoRewind_ && !useFrom_ && !useTo_) {
        os::DWORD position = 0;
        os::DWORD length = 0;
        if (StatusItem(os::MCI_STATUS_POSITION, position) == 0 &&
            StatusItem(os::MCI_STATUS_LENGTH, length) == 0 && position == length) {
            flags_ = os::MCI_SEEK_TO_START | os::MCI_WAIT;
            error_ = Device().Seek(deviceId_, flags_, 0, window_);
        }
    }
    // A play notifies its end unless told not to.
    os::DWORD flags = 0;
    if (useNotify_) {
        if (notify_)
            flags |= os::MCI_NOTIFY;
        useNotify_ = false;
    } else {
        flags |= os::MCI_NOTIFY;
    }
    if (useWait_) {
        if (wait_)
            flags |= os::MCI_WAIT;
        useWait_ = false;
    }
    if (useFrom_) {
        flags |= os::MCI_FROM;
        useFrom_ = false;
    }
    if (useTo_) {
        flags |= os::MCI_TO;
        useTo_ = false;
    }
    flags_ = flags;
    error_ = Device().Play(deviceId_, flags, window_, from_, to_);
}

void TMediaPlayer::Stop() {
    CheckOpen();
    flags_ = WaitNotifyFlags();
    error_ = Device().Stop(deviceId_, flags_, window_);
}

void TMediaPlayer::Pause() {
    CheckOpen();
    if (Mode() == mpPaused) {
        Resume();
        return;
    }
    flags_ = WaitNotifyFlags();
    error_ = Device().Pause(deviceId_, flags_, window_);
}

void TMediaPlayer::Resume() {
    CheckOpen();
    flags_ = WaitNotifyFlags();
    error_ = Device().Resume(deviceId_, flags_, window_);
    if (error_ != 0)
        Play();
}

void TMediaPlayer::Next() {
    CheckOpen();
    os::DWORD flags = WaitNotifyFlags();
    os::DWORD track = 0;
    os::DWORD tracks = 0;
    if (tracks_ && StatusItem(os::MCI_STATUS_CURRENT_TRACK, track) == 0 &&
        StatusItem(os::MCI_STATUS_NUMBER_OF_TRACKS, tracks) == 0 && track < tracks) {
        flags_ = flags | os::MCI_TO;
        error_ = Device().Seek(deviceId_, flags_, track + 1, window_);
        return;
    }
    flags_ = flags | os::MCI_SEEK_TO_END;
    error_ = Device().Seek(deviceId_, flags_, 0, window_);
}

void TMediaPlayer::Previous() {
    CheckOpen();
    os::DWORD flags = WaitNotifyFlags();
    os::DWORD track = 0;
    os::DWORD position = 0;
    if (tracks_ && StatusItem(os::MCI_STATUS_CURRENT_TRACK, track) == 0 &&
        StatusItem(os::MCI_STATUS_POSITION, position) == 0 && track > 0) {
        // Back to the start of this track, or to the previous one when already there.
        bool atTrackStart = (position & 0xFFFFFF00u) == 0 && TmsfTrack(position) == track;
        os::DWORD target = atTrackStart && track > 1 ? track - 1 : track;
        flags_ = flags | os::MCI_TO;
        error_ = Device().Seek(deviceId_, flags_, target, window_);
        return;
    }
    flags_ = flags | os::MCI_SEEK_TO_START;
    error_ = Device().Seek(deviceId_, flags_, 0, window_);
}

void TMediaPlayer::Step() {
    CheckOpen();
    if (!caps_.HasVideo)
        return;
    flags_ = WaitNotifyFlags();
    error_ = Device().Step(deviceId_, flags_, frames_, false, window_);
}

void TMediaPlayer::Back() {
    CheckOpen();
    if (!caps_.HasVideo)
        return;
    flags_ = WaitNotifyFlags();
    error_ = Device().Step(deviceId_, flags_, frames_, true, window_);
}

void TMediaPlayer::StartRecording() {
    CheckOpen();
    flags_ = WaitNotifyFlags();
    error_ = Device().Record(deviceId_, flags_, window_);
}

void TMediaPlayer::Eject() {
    CheckOpen();
    flags_ = WaitNotifyFlags();
    error_ = Device().OpenDoor(deviceId_, flags_, window_);
}

void TMediaPlayer::Close() {
    if (deviceId_ == 0)
        return;
    flags_ = WaitNotifyFlags();
    error_ = Device().Close(deviceId_, flags_, window_);
    if (error_ != 0)
        return;
    opened_ = false;
    deviceId_ = 0;
    autoButtons_ = {};
    Redraw();
}

void TMediaPlayer::Loaded() {
    if (autoOpen_)
        Open();
}

TMPModes TMediaPlayer::Mode() {
    os::DWORD value = os::MCI_MODE_NOT_READY;
    // Without an open device the status request fails; that must never read as "stopped",
    // which would make a rest start its music again.
    if (StatusItem(os::MCI_STATUS_MODE, value) != 0)
        return mpNotReady;
    return static_cast<TMPModes>(static_cast<std::uint8_t>(value - os::MCI_MODE_NOT_READY));
}

os::DWORD TMediaPlayer::Length() {
    os::DWORD value = 0;
    return StatusItem(os::MCI_STATUS_LENGTH, value) == 0 ? value : 0;
}

os::DWORD TMediaPlayer::Position() {
    os::DWORD value = 0;
    return StatusItem(os::MCI_STATUS_POSITION, value) == 0 ? value : 0;
}

void TMediaPlayer::MciNotify(os::WPARAM code) {
    if (autoEnable_ && Mode() == mpStopped) {
        if (caps_.CanPlay)
            autoButtons_.Include(btPlay);
        if (caps_.CanRecord)
            autoButtons_.Include(btRecord);
        autoButtons_ = autoButtons_ - TButtonSet{btPause, btStop};
        Redraw();
    }
    switch (code) {
    case os::MCI_NOTIFY_SUCCESSFUL:
        notifyValue_ = nvSuccessful;
        break;
    case os::MCI_NOTIFY_SUPERSEDED:
        notifyValue_ = nvSuperseded;
        break;
    case os::MCI_NOTIFY_ABORTED:
        notifyValue_ = nvAborted;
        break;
    case os::MCI_NOTIFY_FAILURE:
        notifyValue_ = nvFailure;
        break;
    default:
        break;
    }
    DoNotify();
}

void TMediaPlayer::AutoButtonSet(TMPBtnType button) {
    switch (button) {
    case btPlay:
    case btRecord:
        autoButtons_ = autoButtons_ - TButtonSet{btPlay, btRecord} + TButtonSet{btPause, btStop};
        break;
    case btPause:
        if (caps_.CanPlay)
            autoButtons_.Include(btPlay);
        if (caps_.CanRecord)
            autoButtons_.Include(btRecord);
        break;
    default:
        if (caps_.CanPlay)
            autoButtons_.Include(btPlay);
        if (caps_.CanRecord)
            autoButtons_.Include(btRecord);
        autoButtons_ = autoButtons_ - TButtonSet{btPause, btStop};
        break;
    }
}

void TMediaPlayer::DoClick(TMPBtnType button, bool& doDefault) {
    if (OnClick) {
        auto handler = OnClick;
        handler(this, button, doDefault);
    }
}

void TMediaPlayer::PostClick(TMPBtnType button) {
    if (OnPostClick) {
        auto handler = OnPostClick;
        handler(this, button);
    }
}

void TMediaPlayer::DoNotify() {
    if (OnNotify) {
        auto handler = OnNotify;
        handler(this);
    }
}

void TMediaPlayer::RunCommand(TMPBtnType button) {
    switch (button) {
    case btPlay:
        Play();
        break;
    case btPause:
        Pause();
        break;
    case btStop:
        Stop();
        break;
    case btNext:
        Next();
        break;
    case btPrev:
        Previous();
        break;
    case btStep:
        Step();
        break;
    case btBack:
        Back();
        break;
    case btRecord:
        StartRecording();
        break;
    case btEject:
        Eject();
        break;
    }
}

void TMediaPlayer::ClickButton(TMPBtnType button) {
    bool doDefault = true;
    DoClick(button, doDefault);
    if (doDefault)
        RunCommand(button);
    PostClick(button);
}

// ---- Button bar ----------------------------------------------------------------------------

bool TMediaPlayer::ButtonEnabled(TMPBtnType button) const {
    return autoEnable_ ? autoButtons_.Contains(button) : enabledButtons_.Contains(button);
}

void TMediaPlayer::BoundsChanged() {
    ui::TWinControl::BoundsChanged();
    Layout();
}

// The visible buttons share their one-pixel borders; the control keeps a width that divides
// evenly among them and never gets smaller than the images need.
void TMediaPlayer::Layout() {
    if (layingOut_)
        return;
    int count = 0;
    for (int b = 0; b < MPButtonCount; ++b)
        count += visibleButtons_.Contains(static_cast<TMPBtnType>(b)) ? 1 : 0;
    if (count == 0)
        count = 1;
    const int minButtonWidth = imageWidth_ + 8;
    const int minHeight = imageHeight_ + 4;
    int width = std::max(Width(), count * (minButtonWidth - 1) + 1);
    buttonWidth_ = (width - 1) / count + 1;
    width = count * (buttonWidth_ - 1) + 1;
    int height = std::max(Height(), minHeight);
    if (width != Width() || height != Height()) {
        layingOut_ = true;
        SetBounds(Left(), Top(), width, height);
        layingOut_ = false;
    }
    Redraw();
}

void TMediaPlayer::Redraw() {
    Changed(ui::TProperty::Picture);
}

std::vector<ui::TButtonFace> TMediaPlayer::PaintedFaces() const {
    std::vector<ui::TButtonFace> faces;
    for (const TMPButtonFace& f : ButtonFaces())
        faces.push_back({f.Rect, f.Image, f.ImageAt, f.Pressed, f.Focused, f.FocusRect});
    return faces;
}

std::vector<TMPButtonFace> TMediaPlayer::ButtonFaces() const {
    std::vector<TMPButtonFace> faces;
    int x = 0;
    for (int b = 0; b < MPButtonCount; ++b) {
        auto button = static_cast<TMPBtnType>(b);
        if (!visibleButtons_.Contains(button))
            continue;
        TMPButtonFace face{};
        face.Button = button;
        face.Rect = {x, 0, x + buttonWidth_, Height()};
        x += buttonWidth_ - 1;
        const char* prefix = !Enabled() || !ButtonEnabled(button) ? "DI_"
                             : coloredButtons_.Contains(button)   ? "CL_"
                                                                  : "EN_";
        face.Image = std::string(prefix) + ButtonNames[b];
        face.Pressed = captured_ && drawnDown_ && pressedButton_ == button;
        int shift = face.Pressed ? 1 : 0;
        face.ImageAt = {face.Rect.Left + (buttonWidth_ - imageWidth_) / 2 + shift,
                        face.Rect.Top + (Height() - imageHeight_) / 2 + shift};
        face.Focused = Focused() && focusedButton_ == button;
        face.FocusRect = {face.Rect.Left + 3, face.Rect.Top + 3, face.Rect.Right - 3,
                          face.Rect.Bottom - 3};
        faces.push_back(face);
    }
    return faces;
}

bool TMediaPlayer::ButtonAt(int x, int y, TMPBtnType& button) const {
    for (const TMPButtonFace& face : ButtonFaces()) {
        if (x >= face.Rect.Left && x < face.Rect.Right && y >= face.Rect.Top &&
            y < face.Rect.Bottom) {
            button = face.Button;
            return true;
        }
    }
    return false;
}

void TMediaPlayer::MouseDown(ui::TMouseButton button, ui::TShiftState /*shift*/, int x, int y) {
    TMPBtnType hit = btPlay;
    if (button != ui::TMouseButton::mbLeft || !ButtonAt(x, y, hit) || !ButtonEnabled(hit))
        return;
    if (TabStop() && CanFocus() && !Focused())
        SetFocus();
    captured_ = true;
    pressedButton_ = hit;
    focusedButton_ = hit;
    drawnDown_ = true;
    Redraw();
}

void TMediaPlayer::MouseMove(ui::TShiftState shift, int x, int y) {
    ui::TWinControl::MouseMove(shift, x, y);
    if (!captured_)
        return;
    TMPBtnType hit = btPlay;
    bool over = ButtonAt(x, y, hit) && hit == pressedButton_;
    if (over != drawnDown_) {
        drawnDown_ = over;
        Redraw();
    }
}

void TMediaPlayer::MouseUp(ui::TMouseButton button, ui::TShiftState /*shift*/, int x, int y) {
    if (!captured_ || button != ui::TMouseButton::mbLeft)
        return;
    TMPBtnType hit = btPlay;
    bool over = ButtonAt(x, y, hit) && hit == pressedButton_;
    TMPBtnType clicked = pressedButton_;
    captured_ = false;
    drawnDown_ = false;
    Redraw();
    if (!over)
        return;
    ClickButton(clicked);
    if (autoEnable_ && error_ == 0 && deviceId_ != 0) {
        AutoButtonSet(clicked);
        Redraw();
    }
}

void TMediaPlayer::KeyDown(int& key, ui::TShiftState /*shift*/) {
    if (key == VK_LEFT || key == VK_RIGHT) {
        int b = focusedButton_;
        if (key == VK_LEFT) {
            while (b > btPlay && !visibleButtons_.Contains(static_cast<TMPBtnType>(--b))) {
            }
        } else {
            while (b < btEject && !visibleButtons_.Contains(static_cast<TMPBtnType>(++b))) {
            }
        }
        focusedButton_ = static_cast<TMPBtnType>(b);
        key = 0;
        Redraw();
    } else if (key == VK_SPACE) {
        key = 0;
        if (!enabledButtons_.Contains(focusedButton_))
            return;
        TMPBtnType button = focusedButton_;
        ClickButton(button);
        if (autoEnable_) {
            AutoButtonSet(button);
            Redraw();
        }
    }
}

} // namespace platform
