// Monitor power through the X server's DPMS extension, on a display connection of its own so
// it never interferes with the toolkit's connection. Where the display has no DPMS (Xvfb, a
// Wayland session without X) every request silently does nothing.
//
// A Wayland session switches its outputs itself (WaylandOutputPower.h): there the session's
// own way is used instead, where it has one.
//
// Forcing the monitor off needs DPMS switched on. A user who keeps it off (xset -dpms) gets it
// back off once the monitor is on again: by the user's own input at the end of a rest, by a
// request to turn it on, or when the program ends.
#pragma once

#include <functional>
#include <memory>

namespace os {

class MonitorPower {
public:
    enum class State { On, Standby, Off };

    // The DPMS requests of one display, apart so the bookkeeping can be tested without one.
    class Dpms {
    public:
        virtual ~Dpms() = default;
        virtual bool Capable() = 0;
        // The monitor's level and whether DPMS is switched on; false when it cannot tell.
        virtual bool Info(State& level, bool& enabled) = 0;
        virtual void SetEnabled(bool enabled) = 0;
        virtual void Force(State level) = 0;
    };

    // A session's own switch for its outputs, used instead of DPMS where there is one.
    class Outputs {
    public:
        virtual ~Outputs() = default;
        // Sends every output dark or lights it again.
        virtual void Set(State state) = 0;
        // True while the outputs are dark and nothing but the program will light them again.
        virtual bool WakePending() = 0;
        // Lights the outputs again once the user is back.
        virtual void Watch() = 0;
    };

    // The session's own switch where it has one, else the X display's DPMS; connected on
    // first use.
    MonitorPower();
    // Any DPMS, made on first use; null when there is none.
    explicit MonitorPower(std::function<std::unique_ptr<Dpms>()> open);
    // A session's switch when openOutputs makes one, else DPMS.
    MonitorPower(std::function<std::unique_ptr<Outputs>()> openOutputs,
                 std::function<std::unique_ptr<Dpms>()> open);
    ~MonitorPower();
    MonitorPower(const MonitorPower&) = delete;
    MonitorPower& operator=(const MonitorPower&) = delete;

    // True when the request reached a display that supports DPMS.
    bool Set(State state);
    bool Available();

    // True while DPMS is on only because the monitor was sent dark, or while a session's
    // outputs wait for the user's return; Watch() then wants calling about once a second, and
    // switches DPMS back off once the monitor is on again, or lights the outputs.
    bool RestorePending() const { return restoreOff_ || (outputs_ && outputs_->WakePending()); }
    void Watch();

private:
    bool Open();
    void Restore();

    std::function<std::unique_ptr<Outputs>()> openOutputs_;
    std::unique_ptr<Outputs> outputs_; // opened on first use, before DPMS
    std::function<std::unique_ptr<Dpms>()> open_;
    std::unique_ptr<Dpms> dpms_; // opened on first use
    bool tried_ = false;
    bool restoreOff_ = false;
};

} // namespace os
