// Activity in a Wayland session, where no client sees another's input: the compositor (or
// GNOME's idle monitor) says when input follows a short pause, and that is all the library
// learns. Each such "resumed" reaches the receivers as input; there are no key or button
// details to give.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include <systemd/sd-bus.h>

#include "linux/WakePipe.h"

namespace os {
class SessionBus;
class WaylandConnection;
} // namespace os

namespace hook {

class SessionWatcher {
public:
    // Input after this long without any counts as the user's return.
    static constexpr unsigned IdleMs = 500;

    SessionWatcher();
    ~SessionWatcher();
    SessionWatcher(const SessionWatcher&) = delete;
    SessionWatcher& operator=(const SessionWatcher&) = delete;

    // Starts the thread when the session offers a way to learn of activity: 0 when it runs,
    // -1 when the session offers none (the X11 path is the one to take), or an error code.
    // onResumed runs on the thread; keepGoing is asked after each event, and the thread ends
    // by itself once it says false or the compositor or bus has gone.
    int Start(std::function<void()> onResumed, std::function<bool()> keepGoing);
    // Wakes the thread and waits for it to end.
    void Stop();

private:
    void Join();
    void RunWayland();
    bool StartMutter();
    void RunBus();
    static int OnWatchFired(sd_bus_message* message, void* self, sd_bus_error* error);
    static int OnActiveWatchAdded(sd_bus_message* reply, void* self, sd_bus_error* error);

    std::unique_ptr<os::WaylandConnection> wayland_;
    std::unique_ptr<os::SessionBus> bus_; // GNOME's idle monitor, where the compositor has none
    std::uint32_t idleWatch_ = 0;         // fires after IdleMs without input
    std::uint32_t activeWatch_ = 0;       // fires once, at the next input
    std::function<void()> onResumed_;
    std::function<bool()> keepGoing_;
    WakePipe wake_;
    std::thread thread_;
};

} // namespace hook
