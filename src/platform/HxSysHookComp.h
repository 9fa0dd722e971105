// Components that turn system-wide keyboard and mouse activity into events. Each registers a
// hidden receiver window with the shared hook library and decodes the messages the library
// sends it.
#pragma once

#include "os/MessageLoop.h"
#include "os/Types.h"
#include "ui/Component.h"
#include "ui/Controls.h"

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

using THxSysHookUnfilteredEvent =
    std::function<void(ui::TComponent* sender, std::int32_t code, std::int32_t wParam,
                       std::int32_t lParam, bool& handled)>;

using THxKeyboardNotifyEvent = std::function<void(
    ui::TComponent* sender, std::int32_t virtualKeyCode, std::uint16_t repeatCount,
    std::uint8_t scanCode, bool isExtendedKey, bool altIsDown, bool keyWasDownBefore,
    bool keyIsBeingPressed, bool& filterEvent)>;

enum class THxMouseButtonMovement { mbmDown, mbmUp, mbmDouble };

using THxMouseClickNotifyEvent =
    std::function<void(ui::TComponent* sender, std::uint32_t sourceWindow, std::int32_t x,
                       std::int32_t y, ui::TMouseButton button, THxMouseButtonMovement movement)>;

using THxMouseMoveNotifyEvent = std::function<void(
    ui::TComponent* sender, std::uint32_t sourceWindow, std::int32_t x, std::int32_t y)>;

class THxSysHook : public ui::TComponent {
public:
    // Destroying the component deactivates it.
    ~THxSysHook() override;

    // Registers with the hook library. errorText: empty on success, the reason otherwise;
    // left as it was when the hook is active already. A failure leaves nothing loaded.
    void Activate(std::string& errorText);
    void Deactivate();
    bool Active() const { return active_; }

    const std::string& HookDLL() const { return hookDLL_; }
    // Refused with an error box while active.
    virtual void SetHookDLL(const std::string& value);
    bool AllowFiltering() const { return allowFiltering_; }

    THxSysHookUnfilteredEvent OnUnfiltered;

protected:
    THxSysHook(ui::TComponent* owner, const char* className);

    // 1 keyboard, 2 mouse.
    virtual int HookKind() const = 0;
    // The component's Name, or its class name when it has none.
    virtual std::string DisplayName() const;
    // One message of the library, Code = message - WM_USER; returns the window's result.
    virtual os::LRESULT HandleHookMessage(std::int32_t code, os::WPARAM wParam,
                                          os::LPARAM lParam) = 0;
    virtual void DoUnfiltered(std::int32_t code, std::int32_t wParam, std::int32_t lParam,
                              bool& handled);
    // Raises EHxSysHookError while active; takes effect at the next Activate.
    void SetAllowFiltering(bool value);

private:
    os::MessageResult ReceiverProc(os::UINT msg, os::WPARAM wParam, os::LPARAM lParam);

    const char* className_;
    bool active_ = false;
    std::string hookDLL_;
    bool allowFiltering_ = false;
    os::HWND receiver_ = 0;
};

class THxKeyboardHook : public THxSysHook {
public:
    explicit THxKeyboardHook(ui::TComponent* owner);
    using THxSysHook::SetAllowFiltering;

    THxKeyboardNotifyEvent OnKeyAction;

protected:
    int HookKind() const override { return 1; }
    os::LRESULT HandleHookMessage(std::int32_t code, os::WPARAM wParam, os::LPARAM lParam) override;
    virtual void DoKeyAction(std::int32_t virtualKeyCode, std::uint16_t repeatCount,
                             std::uint8_t scanCode, bool isExtendedKey, bool altIsDown,
                             bool keyWasDownBefore, bool keyIsBeingPressed, bool& filterEvent);
};

class THxMouseHook : public THxSysHook {
public:
    explicit THxMouseHook(ui::TComponent* owner);

    THxMouseClickNotifyEvent OnMouseClick;
    THxMouseMoveNotifyEvent OnMouseMove;

protected:
    int HookKind() const override { return 2; }
    os::LRESULT HandleHookMessage(std::int32_t code, os::WPARAM wParam, os::LPARAM lParam) override;
    virtual void DoMouseClick(std::uint32_t sourceWindow, std::int32_t x, std::int32_t y,
                              ui::TMouseButton button, THxMouseButtonMovement movement);
    virtual void DoMouseMove(std::uint32_t sourceWindow, std::int32_t x, std::int32_t y);
};

} // namespace platform
