#include "platform/HxSysHookComp.h"

#include "os/Platform.h"
#include "platform/HxSysHookCommon.h"
#include "platform/HxSysHookLoader.h"

namespace platform {

// ---- THxSysHook ---------------------------------------------------------------------------

THxSysHook::THxSysHook(ui::TComponent* owner, const char* className)
    : ui::TComponent(owner), className_(className) {}

THxSysHook::~THxSysHook() {
    Deactivate();
}

std::string THxSysHook::DisplayName() const {
    return Name().empty() ? className_ : Name();
}

void THxSysHook::Activate(std::string& errorText) {
    if (active_)
        return;
    if (hookDLL_.empty()) {
        errorText = SHxNoDllName;
        return;
    }
    int code = LoadHookLibrary(hookDLL_);
    if (code != HXERR_NONE) {
        errorText = HxSysHookErrorText(code);
        return;
    }
    // From here on a failure gives back the reference just taken, so that a refused
    // registration never keeps the library loaded.
    receiver_ = os::Current().Loop().CreateMessageWindow(
        [this](os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
            return ReceiverProc(msg, wParam, lParam);
        });
    if (receiver_ == 0) {
        ReleaseHookLibrary();
        errorText = SHxNoWindow;
        return;
    }
    code = HookAttachReceiver()(HookKind(), static_cast<int>(static_cast<std::uint32_t>(receiver_)),
                                allowFiltering_ ? 1 : 0);
    if (code != HXERR_NONE) {
        os::Current().Loop().DestroyWindow(receiver_);
        receiver_ = 0;
        ReleaseHookLibrary();
        errorText = HxSysHookErrorText(code);
        return;
    }
    errorText.clear();
    active_ = true;
}

void THxSysHook::Deactivate() {
    if (!active_)
        return;
    // The library is not told: it drops a receiver whose window has gone.
    if (receiver_ != 0)
        os::Current().Loop().DestroyWindow(receiver_);
    receiver_ = 0;
    ReleaseHookLibrary();
    active_ = false;
}

void THxSysHook::SetHookDLL(const std::string& value) {
    if (active_) {
        os::Current().GetShell().MessageBox(0, SHxDllNameWhileActive, DisplayName(),
                                            os::MB_ICONERROR);
        return;
    }
    hookDLL_ = value;
}

void THxSysHook::SetAllowFiltering(bool value) {
    if (active_)
        throw EHxSysHookError(SHxFilteringWhileActive);
    allowFiltering_ = value;
}

void THxSysHook::DoUnfiltered(std::int32_t code, std::int32_t wParam, std::int32_t lParam,
                              bool& handled) {
    if (OnUnfiltered)
        OnUnfiltered(this, code, wParam, lParam, handled);
}

os::MessageResult THxSysHook::ReceiverProc(os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
    if (msg < os::WM_USER)
        return os::DefaultProcessing;
    return HandleHookMessage(static_cast<std::int32_t>(msg - os::WM_USER), wParam, lParam);
}

// ---- THxKeyboardHook ----------------------------------------------------------------------

THxKeyboardHook::THxKeyboardHook(ui::TComponent* owner) : THxSysHook(owner, "THxKeyboardHook") {}

os::LRESULT THxKeyboardHook::HandleHookMessage(std::int32_t code, os::WPARAM wParam,
                                               os::LPARAM lParam) {
    os::LRESULT result = 0;
    auto life = LifeToken(); // a handler may destroy this component
    bool handled = false;
    DoUnfiltered(code, static_cast<std::int32_t>(wParam), static_cast<std::int32_t>(lParam),
                 handled);
    if (handled || life.expired() || code != 0)
        return result;
    auto flags = static_cast<std::uint32_t>(lParam);
    bool filterEvent = false;
    DoKeyAction(static_cast<std::int32_t>(wParam), static_cast<std::uint16_t>(flags & 0xFFFF),
                static_cast<std::uint8_t>((flags >> 16) & 0xFF), (flags & (1u << 24)) != 0,
                (flags & (1u << 29)) != 0, (flags & (1u << 30)) != 0, (flags & (1u << 31)) == 0,
                filterEvent);
    if (filterEvent)
        result = 1; // asks the library to swallow the keystroke
    return result;
}

void THxKeyboardHook::DoKeyAction(std::int32_t virtualKeyCode, std::uint16_t repeatCount,
                                  std::uint8_t scanCode, bool isExtendedKey, bool altIsDown,
                                  bool keyWasDownBefore, bool keyIsBeingPressed,
                                  bool& filterEvent) {
    if (OnKeyAction)
        OnKeyAction(this, virtualKeyCode, repeatCount, scanCode, isExtendedKey, altIsDown,
                    keyWasDownBefore, keyIsBeingPressed, filterEvent);
}

// ---- THxMouseHook -------------------------------------------------------------------------

THxMouseHook::THxMouseHook(ui::TComponent* owner) : THxSysHook(owner, "THxMouseHook") {}

os::LRESULT THxMouseHook::HandleHookMessage(std::int32_t code, os::WPARAM wParam,
                                            os::LPARAM lParam) {
    auto life = LifeToken(); // a handler may destroy this component
    bool handled = false;
    DoUnfiltered(code, static_cast<std::int32_t>(wParam), static_cast<std::int32_t>(lParam),
                 handled);
    if (handled || life.expired())
        return 0;
    auto point = static_cast<std::uint32_t>(wParam);
    auto x = static_cast<std::int32_t>(point & 0xFFFF);
    auto y = static_cast<std::int32_t>(point >> 16);
    auto sourceWindow = static_cast<std::uint32_t>(lParam);
    int event = code & 0x0F;
    if (event == 0) {
        DoMouseMove(sourceWindow, x, y);
        return 0;
    }
    int k = event - 1;
    ui::TMouseButton button = ui::TMouseButton::mbLeft; // values past middle count as left
    if (k / 3 == 1)
        button = ui::TMouseButton::mbRight;
    else if (k / 3 == 2)
        button = ui::TMouseButton::mbMiddle;
    auto movement = static_cast<THxMouseButtonMovement>(k % 3);
    DoMouseClick(sourceWindow, x, y, button, movement);
    return 0;
}

void THxMouseHook::DoMouseClick(std::uint32_t sourceWindow, std::int32_t x, std::int32_t y,
                                ui::TMouseButton button, THxMouseButtonMovement movement) {
    if (OnMouseClick)
        OnMouseClick(this, sourceWindow, x, y, button, movement);
}

void THxMouseHook::DoMouseMove(std::uint32_t sourceWindow, std::int32_t x, std::int32_t y) {
    if (OnMouseMove)
        OnMouseMove(this, sourceWindow, x, y);
}

} // namespace platform
