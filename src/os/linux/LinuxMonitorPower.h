// Monitor power through the X server's DPMS extension, on a display connection of its own so
// it never interferes with the toolkit's connection. Where the display has no DPMS (Xvfb, a
// Wayland session without X) every request silently does nothing.
#pragma once

#include <memory>

namespace os {

class MonitorPower {
public:
    enum class State { On, Standby, Off };

    MonitorPower();
    ~MonitorPower();
    MonitorPower(const MonitorPower&) = delete;
    MonitorPower& operator=(const MonitorPower&) = delete;

    // True when the request reached a display that supports DPMS.
    bool Set(State state);
    bool Available();

private:
    struct Connection;
    std::unique_ptr<Connection> connection_; // opened on first use
    bool tried_ = false;
    bool Open();
};

} // namespace os
